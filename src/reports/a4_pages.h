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

// How a document's pages are set.
struct A4Layout {
    bool landscape = false;
    // "Strana n z m" at each page's foot, which the pieces keep clear of. To know m, the document
    // is laid out once without drawing before it is drawn.
    bool numbered = false;
    // At the top of every page after the first, so that a loose page still says whose it is.
    QString runningHead;
};

// "Přehled třídy · Třída (složka): 3.B · Období: …": what the document is and the lines that say
// whose it is, for its running head.
QString runningHead(const QString& what, const QVector<ReportLine>& lines);

// A4 pages drawn top to bottom: y is where the next piece goes, and a piece that does not fit
// begins a new page. Every measure comes from the document's own resolution, so a text drawn in the
// box measured for it wraps where the measure said.
class A4Pages {
  public:
    // `pages`: how many there will be; 0 in the pass that counts them.
    A4Pages(QPdfWriter& writer, QPainter& painter, const A4Layout& layout, int pages);

    QPainter& painter() const { return painter_; }
    // In the pass that only counts the pages nothing drawn is kept: what costs may be left out.
    bool counting() const { return pages_ == 0; }
    double width() const;
    // How much of this page is left below y.
    double room() const;
    int page() const { return page_; }
    double y = 0;

    double height(const QFont& font) const;
    double advance(const QFont& font, const QString& text) const;
    // How high the text is, wrapped at the width (`flags` as for text()).
    double wrappedHeight(const QString& text, const QFont& font, double width,
                         int flags = Qt::TextWordWrap) const;
    // Where a block's values begin: the widest of its labels.
    double labelWidth(const QVector<ReportLine>& lines, const QFont& font) const;

    // A new page when the piece does not fit on what is left of this one; a piece taller than a
    // whole page begins on a fresh one and runs over its foot. Throws Failure when no page can be begun.
    void need(double height);
    // As need(), then `heads` on the new page, as a table continues.
    void need(double height, const std::function<void()>& heads);
    void newPage();

    // Text in its box, centred vertically unless the flags say otherwise; Qt::TextWordWrap wraps it.
    void text(const QRectF& box, const QString& text, const QFont& font, int flags = Qt::AlignLeft,
              const QColor& colour = Qt::black);
    // A line across the page from x, as high as its font.
    double text(const QString& text, const QFont& font, double x = 0, const QColor& colour = Qt::black);
    // The font made smaller, down to `least` points, until the line fits the page's width: a title
    // with a long name is not cut at the page's edge.
    QFont fitting(QFont font, const QString& text, double least = 10) const;
    // A paragraph wrapped at the page's width: how high it is, and drawing it at y.
    double paragraphHeight(const QString& text, const QFont& font) const;
    double paragraph(const QString& text, const QFont& font, const QColor& colour);
    // The grey behind every other row of a table.
    void shade(double height);

  private:
    // The running head and the page's number.
    void decorate();

    QPdfWriter& writer_;
    QPainter& painter_;
    A4Layout layout_;
    QFont small_;
    double footerHeight_ = 0;
    double top_ = 0; // below the running head
    int page_ = 1;
    int pages_;
};

// Writes an A4 document drawn by `draw`. It is drawn in memory and written whole, so a full disk or
// a vanished folder never leaves a cut document or spoils the one that was there: throws Failure and
// leaves nothing behind. A numbered document is drawn twice, the first time to count its pages.
void writeA4Pdf(const QString& path, const QString& title, const A4Layout& layout,
                const std::function<void(A4Pages&)>& draw);

} // namespace numio
