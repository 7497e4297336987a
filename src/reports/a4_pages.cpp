#include "reports/a4_pages.h"

#include "platform/failure.h"
#include "platform/text_files.h"

#include <QBuffer>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace numio {

namespace {

// Pages with the document's measures on which nothing is kept: where the first pass of a numbered
// document draws, to count its pages.
class BlankPages : public QPaintDevice {
  public:
    explicit BlankPages(const QPdfWriter& writer) : writer_(writer) {}
    QPaintEngine* paintEngine() const override { return &engine_; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return writer_.width();
        case PdmHeight:
            return writer_.height();
        case PdmWidthMM:
            return writer_.widthMM();
        case PdmHeightMM:
            return writer_.heightMM();
        case PdmNumColors:
            return writer_.colorCount();
        case PdmDepth:
            return writer_.depth();
        case PdmDpiX:
            return writer_.logicalDpiX();
        case PdmDpiY:
            return writer_.logicalDpiY();
        case PdmPhysicalDpiX:
            return writer_.physicalDpiX();
        case PdmPhysicalDpiY:
            return writer_.physicalDpiY();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

  private:
    class Engine : public QPaintEngine {
      public:
        Engine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawTextItem(const QPointF&, const QTextItem&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawLines(const QLineF*, int) override {}
        void drawRects(const QRectF*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawPoints(const QPointF*, int) override {}
    };

    const QPdfWriter& writer_;
    mutable Engine engine_;
};

} // namespace

QString runningHead(const QString& what, const QVector<ReportLine>& lines) {
    QStringList parts{what};
    for (const ReportLine& line : lines)
        parts << line.label + u' ' + line.value;
    return parts.join(QStringLiteral(" · "));
}

A4Pages::A4Pages(QPdfWriter& writer, QPainter& painter, const A4Layout& layout, int pages)
    : writer_(writer), painter_(painter), layout_(layout), pages_(pages) {
    small_ = painter.font();
    small_.setPointSizeF(9);
    if (layout_.numbered)
        footerHeight_ = height(small_) * 2;
    decorate();
}

double A4Pages::width() const {
    return writer_.width();
}

double A4Pages::room() const {
    return writer_.height() - footerHeight_ - y;
}

double A4Pages::height(const QFont& font) const {
    return QFontMetricsF(font, &writer_).height();
}

double A4Pages::advance(const QFont& font, const QString& text) const {
    return QFontMetricsF(font, &writer_).horizontalAdvance(text);
}

double A4Pages::wrappedHeight(const QString& text, const QFont& font, double width, int flags) const {
    return QFontMetricsF(font, &writer_).boundingRect(QRectF(0, 0, width, 1e6), flags, text).height();
}

double A4Pages::labelWidth(const QVector<ReportLine>& lines, const QFont& font) const {
    double widest = 0;
    for (const ReportLine& line : lines)
        widest = std::max(widest, advance(font, line.label));
    return widest;
}

void A4Pages::need(double height) {
    if (height > room() && y > top_)
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
    if (!counting() && !writer_.newPage())
        throw Failure(kPathFileAccess);
    ++page_;
    decorate();
}

void A4Pages::text(const QRectF& box, const QString& text, const QFont& font, int flags,
                   const QColor& colour) {
    if (!(flags & Qt::AlignVertical_Mask))
        flags |= Qt::AlignVCenter;
    painter_.setFont(font);
    painter_.setPen(colour);
    painter_.drawText(box, flags, text);
}

double A4Pages::text(const QString& s, const QFont& font, double x, const QColor& colour) {
    const double h = height(font);
    text(QRectF(x, y, width() - x, h), s, font, Qt::AlignLeft, colour);
    return h;
}

QFont A4Pages::fitting(QFont font, const QString& text, double least) const {
    while (font.pointSizeF() > least &&
           QFontMetricsF(font, painter_.device()).horizontalAdvance(text) > width())
        font.setPointSizeF(std::max(least, font.pointSizeF() - 1));
    return font;
}

double A4Pages::paragraphHeight(const QString& text, const QFont& font) const {
    return wrappedHeight(text, font, width());
}

double A4Pages::paragraph(const QString& text, const QFont& font, const QColor& colour) {
    const double h = paragraphHeight(text, font);
    this->text(QRectF(0, y, width(), h), text, font, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, colour);
    return h;
}

void A4Pages::shade(double height) {
    painter_.fillRect(QRectF(0, y, width(), height), QColor(0xee, 0xee, 0xee));
}

void A4Pages::decorate() {
    top_ = 0;
    if (layout_.numbered)
        text(QRectF(0, writer_.height() - footerHeight_ / 2, width(), footerHeight_ / 2),
             QStringLiteral("Strana %1 z %2").arg(page_).arg(pages_), small_,
             Qt::AlignHCenter | Qt::AlignBottom, Qt::darkGray);
    if (page_ > 1 && !layout_.runningHead.isEmpty()) {
        const double h = wrappedHeight(layout_.runningHead, small_, width());
        text(QRectF(0, 0, width(), h), layout_.runningHead, small_,
             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Qt::darkGray);
        painter_.setPen(QPen(Qt::lightGray, 1));
        painter_.drawLine(QPointF(0, h + 3), QPointF(width(), h + 3));
        top_ = h + 12;
    }
    y = top_;
}

void writeA4Pdf(const QString& path, const QString& title, const A4Layout& layout,
                const std::function<void(A4Pages&)>& draw) {
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        // Screen resolution keeps the charts' fonts and lines in the proportions they have on screen.
        writer.setResolution(96);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Numio"));
        int pages = 1;
        if (layout.numbered) {
            BlankPages blank(writer);
            QPainter painter(&blank);
            A4Pages counted(writer, painter, layout, 0);
            draw(counted);
            pages = counted.page();
        }
        QPainter painter;
        if (!painter.begin(&writer))
            throw Failure(kPathFileAccess);
        painter.setRenderHint(QPainter::Antialiasing);
        A4Pages a4(writer, painter, layout, pages);
        draw(a4);
        if (!painter.end())
            throw Failure(kPathFileAccess);
    }
    writeWholeFile(path, document);
}

} // namespace numio
