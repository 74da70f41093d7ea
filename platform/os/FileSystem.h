#pragma once

#include <QString>

// Names are taken as given; a relative name is resolved against the working folder.
namespace FileSystem {

// True only for an existing file; a folder does not count.
bool fileExists(const QString& name);
bool directoryExists(const QString& name);
// True only for an existing regular file (a link followed): a folder, a pipe,
// a device or a socket does not count.
bool isFile(const QString& name);
// Creates one folder level (the parent must exist); false when it cannot.
bool createDirectory(const QString& name);

// Full path of the running program, and its folder (no trailing "/" except at
// the root).
QString programPath();
QString programFolder();

}  // namespace FileSystem
