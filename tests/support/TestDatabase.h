#pragma once

#include <QString>
#include <QStringList>

// A fresh database on the local server, built from database/ by isql, and
// dropped again when the object goes. Lives in $VELTON_TEST_DIR
// (default /var/tmp/velton-tests). exec() and rows() run SQL through isql,
// an independent client, to prepare a case or to check what was written.
// Every failure throws std::runtime_error with isql's own text. Declare it
// before the objects that connect to it: it cannot drop a database in use.
class TestDatabase {
public:
  enum Contents { WithDemo, SchemaOnly };

  explicit TestDatabase(Contents contents = WithDemo);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  // "localhost:/var/tmp/velton-tests/<unique>.fdb"
  QString connectionString() const;
  // The file's path on the server
  QString path() const;

  // Runs statements (";"-terminated; SET TERM allowed) and commits them.
  void exec(const QString& sql, const QString& user = QStringLiteral("PLUMO"),
            const QString& password = QStringLiteral("plumo")) const;
  // Runs one select (or EXECUTE PROCEDURE, then commits); one string per
  // row, its columns joined by "|", NULL as "<null>". Values holding line
  // breaks are not supported.
  QStringList rows(const QString& select, const QString& user = QStringLiteral("PLUMO"),
                   const QString& password = QStringLiteral("plumo")) const;
  // The only row of a select (throws unless there is exactly one).
  QString value(const QString& select, const QString& user = QStringLiteral("PLUMO"),
                const QString& password = QStringLiteral("plumo")) const;

  // Whether SEC$USERS lists the server login (asked as SYSDBA).
  bool loginExists(const QString& login) const;

  static QString testDir();      // created with mode 1777 when missing
  static QString sourceDir();    // the project's sources (holds database/)

private:
  void drop() const;

  QString m_path;
};

// A server login of a test's own: a name unique to this run, removed from
// the server when the object goes. With a password the login is created
// at once; without one only the name is reserved (for code under test that
// creates it).
class TestLogin {
public:
  explicit TestLogin(const QString& password = QString());
  ~TestLogin();
  TestLogin(const TestLogin&) = delete;
  TestLogin& operator=(const TestLogin&) = delete;

  QString name() const { return m_name; }
  QString password() const { return m_password; }

  static QString uniqueName(); // upper case, at most 20 characters
  static void create(const QString& name, const QString& password);
  static void drop(const QString& name); // no error when it does not exist
  static bool exists(const QString& name);

private:
  QString m_name;
  QString m_password;
};
