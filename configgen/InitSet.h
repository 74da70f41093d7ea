#pragma once

#include <QByteArray>
#include <QString>

// ---- file routines of the generator

// The SYSDBA password a fresh server installation has; Base.ini carries a
// password only when it differs from this one.
extern const char kFactoryPassword[];

// The path with the trailing delimiter it needs: unchanged when it ends in "/"
// or "\", otherwise (an empty path included) followed by "/".
QString AddPathDelimiter(const QString& path);

// The folder exists on return. One trailing "/" or "\" is dropped; then a
// folder of that name is created unless it exists (one level only: the parent
// must exist). Raises Exception("Cannot create " + name) when it cannot.
void EnsureDirectory(const QString& path);

// A file inside a folder that ends in a delimiter: the folder text followed by
// the name, a trailing "\" taken as the folder's delimiter.
QString FileInFolder(const QString& folder, const QString& name);

// Copies the source's bytes onto the destination in blocks of 4096 bytes,
// replacing the destination. A missing source leaves the destination alone.
// A destination that is the source file itself (under any name) is left as it
// is: it already holds the copy. Failures raise EInOutError with the file
// layer's text.
void CopyFileBlocks(const QString& source, const QString& destination);

// The bytes of Base.ini (Windows-1251, CR LF after every line):
//   server ":" database file / folder / server / [password] / empty line.
// The password line is there only when the password is not the factory one.
// A character Windows-1251 cannot hold raises EConvertError.
QByteArray BaseIniBytes(const QString& folder, const QString& server, const QString& databaseFile,
                        const QString& password);

// Creates the folder if needed (EnsureDirectory) and writes folder + "Base.ini",
// replacing an existing file.
void WriteBaseIni(const QString& folder, const QString& server, const QString& databaseFile,
                  const QString& password);
