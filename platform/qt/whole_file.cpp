#include "platform/qt/whole_file.h"

#include <QSaveFile>

QString writeWholeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // Without commit() the temporary file goes with `file`.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    if (!file.commit())
        return file.errorString();
    return {};
}
