// A file written whole or not at all: the bytes go to a temporary file
// beside it, which takes its place only once every byte has been written,
// flushed and synced. QSaveFile alone is not enough: bytes it still buffers
// that fail to go out at commit() (a small file on a full disk) are not
// reported, and the file comes out empty.
#pragma once

#include <QByteArray>
#include <QString>

// The reason the file could not be written; empty when it was.
QString writeWholeFile(const QString& path, const QByteArray& bytes);
