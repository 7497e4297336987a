#pragma once

#include "platform/export.h"

#include <QString>
#include <exception>

namespace numio {

// Failure codes the program tells apart; every other code is reported as it comes.
enum FailureCode : int {
    kOverflow = 6,
    kUserInterrupt = 18, // a reading or a save given up by the user
    kTypeMismatch = 13,
    kInternal = 51,
    kBadFileName = 52,
    kFileNotFound = 53,
    kFileAlreadyOpen = 55,
    kDiskFull = 61,
    kAccessDenied = 70,
    kPathFileAccess = 75,
    kPathNotFound = 76,
    kBadFileFormat = 321,
};

// The one exception type of the program: a numeric code and a Czech description.
class NUMIO_EXPORT Failure : public std::exception {
  public:
    explicit Failure(int code);
    Failure(int code, QString description);

    int code() const noexcept { return code_; }
    const QString& description() const noexcept { return description_; }
    // Defined in the library, so that the class's type and table live there alone.
    const char* what() const noexcept override;

    // "Chyba č. 70 - Přístup odepřen": the first line of every failure message box.
    QString messageText() const;
    // The whole text of its box: that line, then the detail when there is one.
    QString boxText() const;

    // An optional second line saying which file or setting it was about.
    const QString& detail() const noexcept { return detail_; }
    Failure& withDetail(QString detail) {
        detail_ = std::move(detail);
        return *this;
    }

    static QString describe(int code);

  private:
    int code_;
    QString description_;
    QString detail_;
    QByteArray what_;
};

inline const QString kFailureTitle = QStringLiteral("Chybové hlášení");

// A path for a message: the home folder shortened to "~", a path too long to lay out shortened.
NUMIO_EXPORT QString displayPath(const QString& path);

// A text no message or label should lay out whole (a hand-edited path can be megabytes): its
// start and its end with "…" between.
NUMIO_EXPORT QString shortened(const QString& text, qsizetype most = 160);

} // namespace numio
