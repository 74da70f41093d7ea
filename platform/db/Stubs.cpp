// Temporary bodies so that users of the headers link; replaced piece by piece.
#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBCustomDataSet.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "IBSQL.h"
#include "IBSecurityService.h"
#include "IBStoredProc.h"
#include "IBTransaction.h"
#include "LoginHooks.h"
#include "SqlText.h"
#include "Statement.h"

#define TODO throw EDatabaseError(QStringLiteral("not implemented yet"))

std::function<bool(const QString&, QString&, QString&)> LoginHooks::databaseLogin;
std::function<bool(const QString&, QString&, QString&)> LoginHooks::serviceLogin;

const ClientLibrary& ClientLibrary::get() { TODO; }
bool ClientLibrary::tryLoad() { return false; }
int ClientLibrary::version() { return 5; }
void ClientLibrary::setLibraryName(const QString&) {}
QString ClientLibrary::libraryName() { return QString(); }
void ClientLibrary::raise(const ISC_STATUS*) const { TODO; }

int TParam::asInteger() const { TODO; }
QString TParam::asString() const { TODO; }
double TParam::asFloat() const { TODO; }
QDateTime TParam::asDateTime() const { TODO; }
TParam& TParams::paramByName(const QString&) { TODO; }
TParam* TParams::findParam(const QString&) { TODO; }
void TParams::setNames(const QStringList&) { TODO; }

namespace SqlText {
QString join(const QStringList&) { TODO; }
Parsed parseParams(const QString&) { TODO; }
}  // namespace SqlText

namespace ParamLines {
int indexOf(const QStringList&, const QString&) { TODO; }
QString value(const QStringList&, const QString&) { TODO; }
void setValue(QStringList&, const QString&, const QString&) { TODO; }
}  // namespace ParamLines

TIBDatabase::TIBDatabase() { TODO; }
TIBDatabase::~TIBDatabase() {}
void TIBDatabase::setDefaultTransaction(TIBTransaction*) { TODO; }
void TIBDatabase::setConnected(bool) { TODO; }
void TIBDatabase::checkConnected() const { TODO; }

TIBTransaction::TIBTransaction() { TODO; }
TIBTransaction::~TIBTransaction() {}
void TIBTransaction::setDefaultDatabase(TIBDatabase*) { TODO; }
void TIBTransaction::startTransaction() { TODO; }
void TIBTransaction::commit() { TODO; }
void TIBTransaction::rollback() { TODO; }
void TIBTransaction::checkInTransaction() const { TODO; }
void TIBTransaction::addDataSet(TIBCustomDataSet*) { TODO; }
void TIBTransaction::removeDataSet(TIBCustomDataSet*) { TODO; }

bool TField::isNull() const { TODO; }
QString TField::asString() const { TODO; }
int TField::asInteger() const { TODO; }
qint64 TField::asLargeInt() const { TODO; }
double TField::asFloat() const { TODO; }
QDateTime TField::asDateTime() const { TODO; }
bool TField::asBoolean() const { TODO; }
QByteArray TField::asBytes() const { TODO; }
QVariant TField::value() const { TODO; }
QString TField::displayText() const { TODO; }
void TField::setAsString(const QString&) { TODO; }
void TField::setAsInteger(int) { TODO; }
void TField::setAsFloat(double) { TODO; }
void TField::setAsDateTime(const QDateTime&) { TODO; }
void TField::setAsBytes(const QByteArray&) { TODO; }
void TField::setNull() { TODO; }
void TField::setValue(const QVariant&) { TODO; }

TIBCustomDataSet::TIBCustomDataSet() { TODO; }
TIBCustomDataSet::~TIBCustomDataSet() {}
TIBDatabase* TIBCustomDataSet::database() const { TODO; }
TIBTransaction* TIBCustomDataSet::transaction() const { TODO; }
void TIBCustomDataSet::setTransaction(TIBTransaction*) { TODO; }
void TIBCustomDataSet::setUniDirectional(bool) { TODO; }
void TIBCustomDataSet::open() { TODO; }
void TIBCustomDataSet::close() { TODO; }
void TIBCustomDataSet::first() { TODO; }
void TIBCustomDataSet::next() { TODO; }
void TIBCustomDataSet::prior() { TODO; }
void TIBCustomDataSet::last() { TODO; }
void TIBCustomDataSet::moveTo(int) { TODO; }
bool TIBCustomDataSet::isEmpty() const { TODO; }
int TIBCustomDataSet::recordCount() { TODO; }
void TIBCustomDataSet::edit() { TODO; }
void TIBCustomDataSet::post() { TODO; }
void TIBCustomDataSet::cancel() { TODO; }
TField& TIBCustomDataSet::fieldByName(const QString&) { TODO; }
TField* TIBCustomDataSet::findField(const QString&) { TODO; }
TField& TIBCustomDataSet::addField(const QString&) { TODO; }
QVariant TIBCustomDataSet::value(int, int) const { TODO; }
QString TIBCustomDataSet::displayText(int, int) const { TODO; }
void TIBCustomDataSet::addObserver(DataSetObserver*) { TODO; }
void TIBCustomDataSet::removeObserver(DataSetObserver*) { TODO; }
void TIBCustomDataSet::checkInactive(const char*) const { TODO; }

QString TIBQuery::sqlText() const { TODO; }
TParams& TIBQuery::params() { TODO; }
QString TIBTable::selectText() const { TODO; }

TIBSQL::TIBSQL() { TODO; }
TIBDatabase* TIBSQL::database() const { TODO; }
TIBTransaction* TIBSQL::transaction() const { TODO; }
QString TIBSQL::sqlText() const { TODO; }
TParams& TIBSQL::params() { TODO; }
void TIBSQL::execQuery() { TODO; }
void TIBSQL::execImmediate() { TODO; }

TIBStoredProc::TIBStoredProc() { TODO; }
TIBDatabase* TIBStoredProc::database() const { TODO; }
TIBTransaction* TIBStoredProc::transaction() const { TODO; }
void TIBStoredProc::setStoredProcName(const QString&) { TODO; }
TParams& TIBStoredProc::params() { TODO; }
QStringList TIBStoredProc::inputNames() { TODO; }
QStringList TIBStoredProc::outputNames() { TODO; }
void TIBStoredProc::execProc() { TODO; }

TIBSecurityService::~TIBSecurityService() {}
QString TIBSecurityService::paramValue(const QString&) const { TODO; }
void TIBSecurityService::setParamValue(const QString&, const QString&) { TODO; }
void TIBSecurityService::setActive(bool) { TODO; }
void TIBSecurityService::addUser() { TODO; }
void TIBSecurityService::modifyUser() { TODO; }
void TIBSecurityService::deleteUser() { TODO; }
void TIBSecurityService::displayUser(const QString&) { TODO; }
