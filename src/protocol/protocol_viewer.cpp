#include "protocol/protocol_viewer.h"

#include "platform/failure.h"

#include <QClipboard>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace numio {

namespace {
constexpr int kMargin = 4;
}

ProtocolText::ProtocolText(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void ProtocolText::setPlainText(const QString& text) {
    text_ = text;
    starts_.assign(1, 0);
    longest_ = 0;
    const QStringView view(text_);
    for (qsizetype from = 0;;) {
        const qsizetype end = view.indexOf(u'\n', from);
        if (end < 0)
            break;
        starts_.push_back(end + 1);
        from = end + 1;
    }
    for (qsizetype line = 0; line < lineCount(); ++line)
        longest_ = std::max(longest_, lineLength(line));
    anchor_ = cursor_ = Position{};
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

qsizetype ProtocolText::lineLength(qsizetype line) const {
    const qsizetype begin = starts_[static_cast<std::size_t>(line)];
    qsizetype end = line + 1 < lineCount() ? starts_[static_cast<std::size_t>(line + 1)] - 1 : text_.size();
    if (end > begin && text_[end - 1] == u'\r')
        --end;
    return end - begin;
}

QString ProtocolText::lineText(qsizetype line) const {
    if (line < 0 || line >= lineCount())
        return {};
    return text_.mid(starts_[static_cast<std::size_t>(line)], lineLength(line));
}

qsizetype ProtocolText::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

qsizetype ProtocolText::offsetOf(Position p) const {
    return starts_[static_cast<std::size_t>(p.line)] + std::min(p.column, lineLength(p.line));
}

QString ProtocolText::selectedText() const {
    const qsizetype a = offsetOf(std::min(anchor_, cursor_));
    const qsizetype b = offsetOf(std::max(anchor_, cursor_));
    return text_.mid(a, b - a).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void ProtocolText::selectAll() {
    anchor_ = Position{};
    cursor_ = Position{lineCount() - 1, lineLength(lineCount() - 1)};
    viewport()->update();
}

void ProtocolText::copy() const {
    if (anchor_ != cursor_)
        QGuiApplication::clipboard()->setText(selectedText());
}

int ProtocolText::lineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int ProtocolText::charWidth() const {
    return std::max(1, fontMetrics().horizontalAdvance(u'M'));
}

void ProtocolText::updateScrollBars() {
    const int visibleLines = std::max(1, (viewport()->height() - kMargin) / lineHeight());
    const qsizetype lastTop = std::max<qsizetype>(0, lineCount() - visibleLines);
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(lastTop, INT_MAX)));
    verticalScrollBar()->setPageStep(visibleLines);
    verticalScrollBar()->setSingleStep(1);

    const qsizetype contentWidth = longest_ * charWidth() + 2 * kMargin;
    horizontalScrollBar()->setRange(
        0, static_cast<int>(std::clamp<qsizetype>(contentWidth - viewport()->width(), 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(charWidth());
}

ProtocolText::Position ProtocolText::positionAt(QPoint point) const {
    const qsizetype row = std::max(0, point.y() - kMargin) / lineHeight();
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + row, 0, lineCount() - 1);
    const int cw = charWidth();
    const qsizetype x = point.x() - kMargin + horizontalScrollBar()->value();
    const qsizetype column = std::clamp<qsizetype>((x + cw / 2) / cw, 0, lineLength(line));
    return {line, column};
}

void ProtocolText::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics fm(font());
    const int lh = lineHeight();
    const int cw = charWidth();
    const int scrollX = horizontalScrollBar()->value();
    const int width = viewport()->width();
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);

    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(lineCount(), first + viewport()->height() / lh + 2);
    for (qsizetype line = first; line < last; ++line) {
        const int top = kMargin + static_cast<int>(line - first) * lh;
        const int baseline = top + fm.ascent();
        const qsizetype length = lineLength(line);
        const qsizetype begin = starts_[static_cast<std::size_t>(line)];
        // Only the columns in sight are drawn, however long the line.
        const qsizetype firstColumn = std::min<qsizetype>(length, scrollX / cw);
        const qsizetype lastColumn = std::min<qsizetype>(length, (scrollX + width) / cw + 2);
        const auto columnX = [&](qsizetype column) {
            return kMargin + static_cast<int>(column * cw) - scrollX;
        };
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(columnX(firstColumn), baseline,
                         text_.mid(begin + firstColumn, lastColumn - firstColumn));

        if (from == to || line < from.line || line > to.line)
            continue;
        const qsizetype selBegin =
            std::max(line == from.line ? std::min(from.column, length) : 0, firstColumn);
        const qsizetype selEnd = line == to.line ? std::min(to.column, lastColumn) : lastColumn;
        const bool markLineEnd = line < to.line && lastColumn == length;
        if (selEnd > selBegin || markLineEnd) {
            const int right = columnX(std::max(selEnd, selBegin)) + (markLineEnd ? cw / 2 : 0);
            painter.fillRect(QRect(columnX(selBegin), top, right - columnX(selBegin), lh),
                             palette().color(QPalette::Highlight));
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawText(columnX(selBegin), baseline, text_.mid(begin + selBegin, selEnd - selBegin));
        }
    }
}

void ProtocolText::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ProtocolText::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateScrollBars();
        viewport()->update();
    }
}

void ProtocolText::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::MoveToStartOfDocument) {
        verticalScrollBar()->setValue(0);
    } else if (event == QKeySequence::MoveToEndOfDocument) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        // Arrows and pages scroll; Enter and Escape go on to the window's buttons.
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ProtocolText::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    cursor_ = positionAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        anchor_ = cursor_;
    viewport()->update();
}

void ProtocolText::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls on, so a selection can reach beyond the window.
    if (point.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    cursor_ = positionAt(point);
    viewport()->update();
}

ProtocolViewer::ProtocolViewer(TextFiles& files, const QString& path, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner), dfProtokol_(new ProtocolText(this)),
      pbClose_(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("frmProtokol"));
    setWindowTitle(QStringLiteral("Protokol"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(621, 339);

    dfProtokol_->setObjectName(QStringLiteral("dfProtokol"));
    dfProtokol_->setGeometry(5, 5, 611, 306);
    dfProtokol_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The separator lines and the columns only line up in a fixed-pitch face.
    QFont font;
    font.setFamilies({QStringLiteral("Courier"), QStringLiteral("Courier New"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPointSize(10);
    dfProtokol_->setFont(font);

    pbClose_->setObjectName(QStringLiteral("pbClose"));
    pbClose_->setGeometry(515, 315, 101, 21);
    pbClose_->setDefault(true);
    connect(pbClose_, &QPushButton::clicked, this, &QDialog::accept);

    dfProtokol_->setPlainText(load(files, path, dialogs));
}

QString ProtocolViewer::load(TextFiles& files, const QString& path, Dialogs& dialogs) {
    try {
        if (files.size(files.lookUp(path)) == 0)
            return {};
        return files.readAll(path);
    } catch (const Failure& f) {
        dialogs.failure(f); // a missing or unreadable file shows as an empty window
        return {};
    }
}

} // namespace numio
