#include "ui/viewer/protocol_text.h"

#include "platform/guard.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <climits>

namespace numio {

namespace {
constexpr int kMargin = 4;

enum class CharClass { Blank, Word, Other };

CharClass classOf(QChar c) {
    if (c == u' ' || c == u'\t')
        return CharClass::Blank;
    if (c.isLetterOrNumber() || c == u'_')
        return CharClass::Word;
    return CharClass::Other;
}

enum class Step {
    PreviousChar,
    NextChar,
    PreviousWord,
    NextWord,
    PreviousLine,
    NextLine,
    PreviousPage,
    NextPage,
    StartOfLine,
    EndOfLine,
    StartOfDocument,
    EndOfDocument,
};

struct KeyBinding {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Step step;
};

constexpr KeyBinding kBindings[] = {
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Step::PreviousChar},
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Step::NextChar},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Step::PreviousWord},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Step::NextWord},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Step::PreviousLine},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Step::NextLine},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Step::PreviousPage},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Step::NextPage},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Step::StartOfLine},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Step::EndOfLine},
    {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Step::StartOfLine},
    {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Step::EndOfLine},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Step::StartOfDocument},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Step::EndOfDocument},
};

int toInt(qsizetype value) {
    return static_cast<int>(std::clamp<qsizetype>(value, INT_MIN / 2, INT_MAX / 2));
}
} // namespace

ProtocolText::ProtocolText(QWidget* parent, Dialogs* dialogs)
    : QAbstractScrollArea(parent), dialogs_(dialogs) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

// Every handler of the view runs guarded: they all come through these two.
bool ProtocolText::event(QEvent* event) {
    if (!dialogs_)
        return QAbstractScrollArea::event(event);
    bool handled = false;
    guarded(*dialogs_, [&] { handled = QAbstractScrollArea::event(event); });
    return handled;
}

bool ProtocolText::viewportEvent(QEvent* event) {
    if (!dialogs_)
        return QAbstractScrollArea::viewportEvent(event);
    bool handled = false;
    guarded(*dialogs_, [&] { handled = QAbstractScrollArea::viewportEvent(event); });
    return handled;
}

void ProtocolText::setPlainText(QString text) {
    text_ = std::move(text);
    starts_.assign(1, 0);
    longest_ = 0;
    // Counting first saves growing the index step by step through millions of lines.
    starts_.reserve(static_cast<std::size_t>(text_.count(u'\n')) + 1);
    // One pass in place: every line end becomes one LF, and a NUL a visible mark instead of the end
    // of a line a painter would make of it.
    const qsizetype size = text_.size();
    char16_t* chars = size > 0 ? reinterpret_cast<char16_t*>(text_.data()) : nullptr;
    qsizetype kept = 0;
    qsizetype lineBegin = 0;
    for (qsizetype i = 0; i < size; ++i) {
        char16_t c = chars[i];
        if (c == u'\r') {
            if (i + 1 < size && chars[i + 1] == u'\n')
                continue;
            c = u'\n';
        } else if (c == u'\0') {
            c = kNulMark;
        }
        chars[kept++] = c;
        if (c == u'\n') {
            longest_ = std::max(longest_, kept - 1 - lineBegin);
            lineBegin = kept;
            starts_.push_back(kept);
        }
    }
    longest_ = std::max(longest_, kept - lineBegin);
    text_.truncate(kept);
    anchor_ = cursor_ = 0;
    goalColumn_ = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

qsizetype ProtocolText::lineLength(qsizetype line) const {
    const qsizetype end = line + 1 < lineCount() ? lineStart(line + 1) - 1 : text_.size();
    return end - lineStart(line);
}

QString ProtocolText::lineText(qsizetype line) const {
    if (line < 0 || line >= lineCount())
        return {};
    return text_.mid(lineStart(line), lineLength(line));
}

qsizetype ProtocolText::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

qsizetype ProtocolText::clampOffset(qsizetype offset) const {
    return std::clamp<qsizetype>(offset, 0, text_.size());
}

qsizetype ProtocolText::lineOf(qsizetype offset) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), clampOffset(offset));
    return static_cast<qsizetype>(after - starts_.begin()) - 1;
}

ProtocolText::Range ProtocolText::lineRange(qsizetype offset) const {
    const qsizetype line = lineOf(offset);
    return {lineStart(line), line + 1 < lineCount() ? lineStart(line + 1) : text_.size()};
}

ProtocolText::Range ProtocolText::wordRange(qsizetype offset) const {
    offset = clampOffset(offset);
    if (offset == text_.size())
        return {offset, offset};
    const CharClass kind = classOf(text_[offset]);
    if (kind == CharClass::Other)
        return {offset, offset + 1};
    qsizetype first = offset;
    while (first > 0 && classOf(text_[first - 1]) == kind)
        --first;
    qsizetype last = offset + 1;
    while (last < text_.size() && classOf(text_[last]) == kind)
        ++last;
    return {first, last};
}

qsizetype ProtocolText::nextWord(qsizetype offset) const {
    if (offset >= text_.size())
        return text_.size();
    offset = wordRange(offset).second;
    while (offset < text_.size() && classOf(text_[offset]) == CharClass::Blank)
        ++offset;
    return offset;
}

qsizetype ProtocolText::previousWord(qsizetype offset) const {
    while (offset > 0 && classOf(text_[offset - 1]) == CharClass::Blank)
        --offset;
    return offset > 0 ? wordRange(offset - 1).first : 0;
}

qsizetype ProtocolText::offsetInLine(qsizetype line, qsizetype column) const {
    return lineStart(line) + std::min(column, lineLength(line));
}

ProtocolText::Range ProtocolText::selectionRange() const {
    return {std::min(anchor_, cursor_), std::max(anchor_, cursor_)};
}

void ProtocolText::setSelection(qsizetype anchor, qsizetype cursor) {
    select(anchor, cursor, true);
}

void ProtocolText::select(qsizetype anchor, qsizetype cursor, bool reveal) {
    anchor = clampOffset(anchor);
    cursor = clampOffset(cursor);
    const Range before = hasSelection() ? selectionRange() : Range{};
    const bool caretMoved = cursor != cursor_;
    anchor_ = anchor;
    cursor_ = cursor;
    goalColumn_ = -1;
    if (reveal)
        ensureVisible(cursor_);
    viewport()->update();
    if (caretMoved) {
        QAccessibleTextCursorEvent event(this, toInt(cursor_));
        QAccessible::updateAccessibility(&event);
    }
    const Range after = hasSelection() ? selectionRange() : Range{};
    if (after != before) {
        QAccessibleTextSelectionEvent event(this, toInt(after.first), toInt(after.second));
        event.setCursorPosition(toInt(cursor_));
        QAccessible::updateAccessibility(&event);
    }
}

QString ProtocolText::selectedText() const {
    const auto [first, last] = selectionRange();
    return text_.mid(first, last - first);
}

void ProtocolText::selectAll() {
    select(0, text_.size(), false);
    publishSelection();
}

void ProtocolText::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ProtocolText::publishSelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

QMenu* ProtocolText::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* copyAction = menu->addAction(QStringLiteral("&Kopírovat"), this, [this] { copy(); });
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction* selectAllAction = menu->addAction(QStringLiteral("Vybrat &vše"), this, [this] { selectAll(); });
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(!text_.isEmpty());
    // The keys are the view's own; here they are only shown.
    for (QAction* action : menu->actions())
        action->setShortcutContext(Qt::WidgetShortcut);
    return menu;
}

int ProtocolText::lineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int ProtocolText::charWidth() const {
    return std::max(1, fontMetrics().horizontalAdvance(u'M'));
}

int ProtocolText::visibleLines() const {
    return std::max(1, (viewport()->height() - kMargin) / lineHeight());
}

void ProtocolText::updateScrollBars() {
    const int visible = visibleLines();
    const qsizetype lastTop = std::max<qsizetype>(0, lineCount() - visible);
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(lastTop, INT_MAX)));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);

    const qsizetype contentWidth = longest_ * charWidth() + qsizetype(2) * kMargin;
    horizontalScrollBar()->setRange(
        0, static_cast<int>(std::clamp<qsizetype>(contentWidth - viewport()->width(), 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(charWidth());
}

QRect ProtocolText::characterRect(qsizetype offset) const {
    const qsizetype line = lineOf(offset);
    const qsizetype column = clampOffset(offset) - lineStart(line);
    const int cw = charWidth();
    return {toInt(kMargin + column * cw - horizontalScrollBar()->value()),
            toInt(kMargin + (line - firstVisibleLine()) * lineHeight()), cw, lineHeight()};
}

qsizetype ProtocolText::pointOffset(QPoint point, Hit hit) const {
    const qsizetype row = std::max(0, point.y() - kMargin) / lineHeight();
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + row, 0, lineCount() - 1);
    const int cw = charWidth();
    const qsizetype x = std::max<qsizetype>(0, point.x() - kMargin + horizontalScrollBar()->value());
    if (hit == Hit::Gap)
        return offsetInLine(line, (x + cw / 2) / cw);
    return offsetInLine(line, std::min(x / cw, std::max<qsizetype>(0, lineLength(line) - 1)));
}

qsizetype ProtocolText::offsetAt(QPoint point) const {
    return viewport()->rect().contains(point) ? pointOffset(point, Hit::Character) : -1;
}

void ProtocolText::ensureVisible(qsizetype offset) {
    const qsizetype line = lineOf(offset);
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(toInt(line));
    else if (line >= vertical->value() + visibleLines())
        vertical->setValue(toInt(line - visibleLines() + 1));

    const int cw = charWidth();
    const qsizetype x = (clampOffset(offset) - lineStart(line)) * cw;
    const int width = std::max(cw, viewport()->width() - 2 * kMargin);
    QScrollBar* horizontal = horizontalScrollBar();
    if (x < horizontal->value())
        horizontal->setValue(toInt(x));
    else if (x + cw > horizontal->value() + width)
        horizontal->setValue(toInt(x + cw - width));
}

void ProtocolText::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics fm(font());
    const int lh = lineHeight();
    const int cw = charWidth();
    const int scrollX = horizontalScrollBar()->value();
    const int width = viewport()->width();
    const auto [selFrom, selTo] = selectionRange();
    const qsizetype fromLine = lineOf(selFrom);
    const qsizetype toLine = lineOf(selTo);
    const qsizetype fromColumn = selFrom - lineStart(fromLine);
    const qsizetype toColumn = selTo - lineStart(toLine);

    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(lineCount(), first + viewport()->height() / lh + 2);
    for (qsizetype line = first; line < last; ++line) {
        const int top = kMargin + static_cast<int>(line - first) * lh;
        const int baseline = top + fm.ascent();
        const qsizetype length = lineLength(line);
        const qsizetype begin = lineStart(line);
        // Only the columns in sight are drawn, however long the line.
        const qsizetype firstColumn = std::min<qsizetype>(length, scrollX / cw);
        const qsizetype lastColumn = std::min<qsizetype>(length, (scrollX + width) / cw + 2);
        const auto columnX = [&](qsizetype column) {
            return kMargin + static_cast<int>(column * cw) - scrollX;
        };
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(columnX(firstColumn), baseline,
                         text_.mid(begin + firstColumn, lastColumn - firstColumn));

        if (!hasSelection() || line < fromLine || line > toLine)
            continue;
        const qsizetype selBegin = std::max(line == fromLine ? fromColumn : 0, firstColumn);
        const qsizetype selEnd = line == toLine ? std::min(toColumn, lastColumn) : lastColumn;
        const bool markLineEnd = line < toLine && lastColumn == length;
        if (selEnd > selBegin || markLineEnd) {
            const int right = columnX(std::max(selEnd, selBegin)) + (markLineEnd ? cw / 2 : 0);
            painter.fillRect(QRect(columnX(selBegin), top, right - columnX(selBegin), lh),
                             palette().color(QPalette::Highlight));
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawText(columnX(selBegin), baseline, text_.mid(begin + selBegin, selEnd - selBegin));
        }
    }
    if (hasFocus()) {
        const QRect caret = characterRect(cursor_);
        painter.fillRect(QRect(caret.left(), caret.top(), 2, caret.height()),
                         palette().color(QPalette::Text));
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

void ProtocolText::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update(); // the caret shows only with the focus
}

void ProtocolText::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ProtocolText::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (!moveByKey(event)) {
        // Enter and Escape go on to the window's buttons.
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool ProtocolText::moveByKey(QKeyEvent* event) {
    const auto binding = std::find_if(std::begin(kBindings), std::end(kBindings), [&](const KeyBinding& b) {
        return event->matches(b.move) || event->matches(b.select);
    });
    if (binding == std::end(kBindings))
        return false;
    const bool extend = event->matches(binding->select);
    const qsizetype line = lineOf(cursor_);
    qsizetype lines = 0; // for moves up and down
    qsizetype to = cursor_;
    switch (binding->step) {
    case Step::PreviousChar:
        to = hasSelection() && !extend ? selectionRange().first : cursor_ - 1;
        break;
    case Step::NextChar:
        to = hasSelection() && !extend ? selectionRange().second : cursor_ + 1;
        break;
    case Step::PreviousWord:
        to = previousWord(cursor_);
        break;
    case Step::NextWord:
        to = nextWord(cursor_);
        break;
    case Step::PreviousLine:
        lines = -1;
        break;
    case Step::NextLine:
        lines = 1;
        break;
    case Step::PreviousPage:
        lines = -visibleLines();
        break;
    case Step::NextPage:
        lines = visibleLines();
        break;
    case Step::StartOfLine:
        to = lineStart(line);
        break;
    case Step::EndOfLine:
        to = lineStart(line) + lineLength(line);
        break;
    case Step::StartOfDocument:
        to = 0;
        break;
    case Step::EndOfDocument:
        to = text_.size();
        break;
    }
    const qsizetype goal = goalColumn_ >= 0 ? goalColumn_ : cursor_ - lineStart(line);
    if (lines != 0) {
        // A page turns the view as well as the caret.
        if (lines != 1 && lines != -1)
            verticalScrollBar()->setValue(toInt(verticalScrollBar()->value() + lines));
        to = offsetInLine(std::clamp<qsizetype>(line + lines, 0, lineCount() - 1), goal);
    }
    select(extend ? anchor_ : to, to, true);
    if (lines != 0)
        goalColumn_ = goal;
    if (extend)
        publishSelection();
    return true;
}

void ProtocolText::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const QStyleHints* hints = QGuiApplication::styleHints();
    const bool tripleClick = sinceDoubleClick_.isValid() &&
                             sinceDoubleClick_.elapsed() < hints->mouseDoubleClickInterval() &&
                             (point - doubleClickPoint_).manhattanLength() < hints->startDragDistance();
    sinceDoubleClick_.invalidate();
    if (tripleClick) {
        dragUnit_ = Unit::Line;
        dragOrigin_ = lineRange(pointOffset(point, Hit::Character));
        select(dragOrigin_.first, dragOrigin_.second, false);
        return;
    }
    dragUnit_ = Unit::Char;
    const qsizetype at = pointOffset(point, Hit::Gap);
    select(event->modifiers() & Qt::ShiftModifier ? anchor_ : at, at, true);
}

void ProtocolText::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    doubleClickPoint_ = event->position().toPoint();
    sinceDoubleClick_.start();
    dragUnit_ = Unit::Word;
    dragOrigin_ = wordRange(pointOffset(doubleClickPoint_, Hit::Character));
    select(dragOrigin_.first, dragOrigin_.second, false);
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
    if (dragUnit_ == Unit::Char) {
        select(anchor_, pointOffset(point, Hit::Gap), false);
        return;
    }
    const qsizetype at = pointOffset(point, Hit::Character);
    // After a double or triple click the selection grows by whole words or lines.
    const Range unit = dragUnit_ == Unit::Word ? wordRange(at) : lineRange(at);
    if (unit.first < dragOrigin_.first)
        select(dragOrigin_.second, unit.first, false);
    else
        select(dragOrigin_.first, std::max(unit.second, dragOrigin_.second), false);
}

void ProtocolText::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        publishSelection();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void ProtocolText::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // From the keyboard the menu opens at the caret.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
                          ? viewport()->mapToGlobal(characterRect(cursor_).bottomLeft())
                          : event->globalPos();
    menu->popup(at);
}

} // namespace numio
