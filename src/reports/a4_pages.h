#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QVector>

#include <functional>

class QPainter;
class QPdfWriter;
class QRectF;

namespace numio {

// A label and its value ("Období:", "1.9.2025 – 26.6.2026"); a block of them aligns the values.
struct ReportLine {
    QString label;
    QString value;
};

// A4 pages drawn top to bottom: y is where the next piece goes, and a piece that does not fit
// begins a new page. Numbered pages carry "Strana n" at their foot, which the pieces keep clear of.
class A4Pages {
  public:
    A4Pages(QPdfWriter& writer, QPainter& painter, bool numbered);

    QPainter& painter() const { return painter_; }
    double width() const;
    int page() const { return page_; }
    double y = 0;

    double height(const QFont& font) const;
    double advance(const QFont& font, const QString& text) const;
    // Where a block's values begin: the widest of its labels.
    double labelWidth(const QVector<ReportLine>& lines, const QFont& font) const;

    // A new page when the piece does not fit on this one; throws Failure when none can be begun.
    void need(double height);
    // As need(), then `heads` on the new page, as a table continues.
    void need(double height, const std::function<void()>& heads);
    void newPage();

    // One line in its box, centred vertically; elided: cut short with "…" to fit the box.
    void text(const QRectF& box, const QString& text, const QFont& font, int flags = Qt::AlignLeft,
              const QColor& colour = Qt::black, bool elided = false);
    // A line across the page from x, as high as its font.
    double text(const QString& text, const QFont& font, double x = 0, const QColor& colour = Qt::black);
    // A paragraph wrapped at the page's width: how high it is, and drawing it at y.
    double paragraphHeight(const QString& text, const QFont& font) const;
    double paragraph(const QString& text, const QFont& font, const QColor& colour);
    // The grey behind every other row of a table.
    void shade(double height);

  private:
    void footer();

    QPdfWriter& writer_;
    QPainter& painter_;
    bool numbered_;
    QFont footerFont_;
    double footerHeight_ = 0;
    int page_ = 1;
};

// Writes an A4 document drawn by `draw`. It is drawn in memory and written whole, so a full disk or
// a vanished folder never leaves a cut document or spoils the one that was there: throws Failure and
// leaves nothing behind.
void writeA4Pdf(const QString& path, const QString& title, bool numbered,
                const std::function<void(A4Pages&)>& draw);

} // namespace numio
