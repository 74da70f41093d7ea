#pragma once

#include <QString>
#include <QStringList>

// The lines of the statement that grants (grant true) or revokes one right on
// one object for one login, in order: "GRANT" or "REVOKE"; the right followed
// by " ON"; "PROCEDURE" when the object is a procedure; the object's name;
// " TO " or " FROM "; the login. The names go in as they are given.
QStringList rightStatementLines(bool grant, const QString& right, bool procedure, const QString& objectName,
                                const QString& login);

// Whether the name, once its trailing blanks are set aside, is a plain
// identifier: a Latin letter, then Latin letters, digits, "_" and "$".
bool isPlainIdentifier(const QString& name);

// Whether the name, trailing blanks set aside and letter case ignored, is a
// word that Firebird 3 reserves: unquoted, no statement can take it as a name.
bool isReservedWord(const QString& name);
// The reserved words, in capitals.
const QStringList& reservedWords();

// Whether a login can stand unquoted after TO or FROM and name that login: a
// plain identifier, no reserved word, not PUBLIC (every user). A role of the
// same name is the caller's to rule out (roleLookupLines).
bool isPlainLogin(const QString& name);

// The select that counts the roles of the database named NAME (given in upper
// case, without blanks).
QStringList roleLookupLines();

// The select that locks one USER_PRIV row (parameter UPR_ID) in the running
// transaction and gives its mask as committed, so that no other connection
// can change the row's rights until that transaction ends.
QStringList rightsRowLockLines();

// Why a change on a row is refused when its mask is no longer the one loaded
// (another administrator changed it); the object's name as it is listed.
QString staleRightsText(const QString& objectName);
