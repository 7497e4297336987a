#include "reports/a4_pages.h"

#include "platform/failure.h"
#include "platform/text_files.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace numio {

A4Pages::A4Pages(QPdfWriter& writer, QPainter& painter, bool numbered)
    : writer_(writer), painter_(painter), numbered_(numbered) {
    if (!numbered_)
        return;
    footerFont_ = painter.font();
    footerFont_.setPointSizeF(9);
    footerHeight_ = height(footerFont_) * 2;
    footer();
}

double A4Pages::width() const {
    return writer_.width();
}

double A4Pages::height(const QFont& font) const {
    return QFontMetricsF(font, &writer_).height();
}

double A4Pages::advance(const QFont& font, const QString& text) const {
    return QFontMetricsF(font, &writer_).horizontalAdvance(text);
}

double A4Pages::labelWidth(const QVector<ReportLine>& lines, const QFont& font) const {
    double widest = 0;
    for (const ReportLine& line : lines)
        widest = std::max(widest, advance(font, line.label));
    return widest;
}

void A4Pages::need(double height) {
    if (y + height > writer_.height() - footerHeight_)
        newPage();
}

void A4Pages::need(double height, const std::function<void()>& heads) {
    const int before = page_;
    need(height);
    if (page_ != before)
        heads();
}

void A4Pages::newPage() {
    // Only a writer that has lost its device refuses a page; the document could not be whole.
    if (!writer_.newPage())
        throw Failure(kPathFileAccess);
    ++page_;
    y = 0;
    if (numbered_)
        footer();
}

void A4Pages::text(const QRectF& box, const QString& text, const QFont& font, int flags, const QColor& colour,
                   bool elided) {
    painter_.setFont(font);
    painter_.setPen(colour);
    painter_.drawText(box, flags | Qt::AlignVCenter,
                      elided ? QFontMetricsF(font, &writer_).elidedText(text, Qt::ElideRight, box.width())
                             : text);
}

double A4Pages::text(const QString& s, const QFont& font, double x, const QColor& colour) {
    const double h = height(font);
    text(QRectF(x, y, width() - x, h), s, font, Qt::AlignLeft, colour);
    return h;
}

double A4Pages::paragraphHeight(const QString& text, const QFont& font) const {
    painter_.setFont(font);
    return painter_.boundingRect(QRectF(0, 0, width(), 10000), Qt::TextWordWrap, text).height();
}

double A4Pages::paragraph(const QString& text, const QFont& font, const QColor& colour) {
    const double h = paragraphHeight(text, font);
    painter_.setPen(colour);
    painter_.drawText(QRectF(0, y, width(), h), Qt::TextWordWrap, text);
    return h;
}

void A4Pages::shade(double height) {
    painter_.fillRect(QRectF(0, y, width(), height), QColor(0xee, 0xee, 0xee));
}

void A4Pages::footer() {
    painter_.save();
    painter_.setFont(footerFont_);
    painter_.setPen(Qt::darkGray);
    painter_.drawText(QRectF(0, writer_.height() - footerHeight_ / 2, width(), footerHeight_ / 2),
                      Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Strana %1").arg(page_));
    painter_.restore();
}

void writeA4Pdf(const QString& path, const QString& title, bool numbered,
                const std::function<void(A4Pages&)>& draw) {
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        // Screen resolution keeps the charts' fonts and lines in the proportions they have on screen.
        writer.setResolution(96);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Numio"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Failure(kPathFileAccess);
        painter.setRenderHint(QPainter::Antialiasing);
        A4Pages pages(writer, painter, numbered);
        draw(pages);
        if (!painter.end())
            throw Failure(kPathFileAccess);
    }
    writeWholeFile(path, document);
}

} // namespace numio
