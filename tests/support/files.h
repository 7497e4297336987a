#pragma once

// Files as a test sets them up and looks at them afterwards: written or read whole, a PDF as text.

#include <QFile>
#include <QProcess>

#include <cstdio>

namespace numio::test {

// Writes the whole file under a name in the system's own bytes, which need not be UTF-8.
inline bool writeNativeFile(const QByteArray& native, const QByteArray& bytes) {
    QFile f;
    return f.open(::fopen(native.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle) &&
           f.write(bytes) == bytes.size();
}
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    return writeNativeFile(QFile::encodeName(path), bytes);
}

// The whole file; nothing when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of a PDF as pdftotext gives it (pages apart by form feeds); the caller skips without it.
inline QString pdfText(const QString& pdf, const QStringList& options = {}) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), options + QStringList{pdf, QStringLiteral("-")});
    return pdftotext.waitForFinished() ? QString::fromUtf8(pdftotext.readAllStandardOutput()) : QString();
}

} // namespace numio::test
