#include "ui/viewer/protocol_text_accessible.h"

#include "ui/viewer/protocol_text.h"

#include <QAccessibleWidget>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace numio {

namespace {

// Every query works on the view's own text and its index of line starts; none copies the whole
// text, so a reader stays quick on a protocol of millions of lines.
class ProtocolTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit ProtocolTextAccessible(ProtocolText* view)
        : QAccessibleWidget(view, QAccessible::EditableText) {}
    using QAccessibleWidget::text; // the name and description, beside the text interface's text(from, to)

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.editable = false;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    // Only the scroll bars in sight are children; the viewport and the bars' holders would show
    // up as unnamed fillers.
    int childCount() const override { return static_cast<int>(scrollBars().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QScrollBar*> bars = scrollBars();
        return index >= 0 && index < bars.size() ? QAccessible::queryAccessibleInterface(bars[index])
                                                 : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(scrollBars().indexOf(qobject_cast<QScrollBar*>(child->object())))
                     : -1;
    }

    // Selection and caret.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        const auto [first, last] = view()->selectionRange();
        const bool any = selectionIndex == 0 && view()->hasSelection();
        *startOffset = any ? toInt(first) : 0;
        *endOffset = any ? toInt(last) : 0;
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            view()->setCursorPosition(view()->cursorPosition());
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            view()->setSelection(startOffset, endOffset);
    }
    int cursorPosition() const override { return toInt(view()->cursorPosition()); }
    void setCursorPosition(int position) override { view()->setCursorPosition(position); }

    // Text.
    QString text(int startOffset, int endOffset) const override {
        const QString& all = view()->toPlainText();
        const qsizetype first = std::clamp<qsizetype>(startOffset, 0, all.size());
        const qsizetype last =
            endOffset < 0 ? all.size() : std::clamp<qsizetype>(endOffset, first, all.size());
        return all.mid(first, last - first);
    }
    int characterCount() const override { return toInt(view()->toPlainText().size()); }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        return answer(unitAt(offset, type), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        const ProtocolText::Range at = unitAt(offset, type);
        if (type == QAccessible::NoBoundary || at.first == 0)
            return answer({0, 0}, startOffset, endOffset);
        return answer(unitAt(at.first - 1, type), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        const qsizetype size = view()->toPlainText().size();
        const ProtocolText::Range at = unitAt(offset, type);
        if (type == QAccessible::NoBoundary || at.second >= size)
            return answer({size, size}, startOffset, endOffset);
        return answer(unitAt(at.second, type), startOffset, endOffset);
    }

    // Geometry.
    QRect characterRect(int offset) const override {
        const QRect local = view()->characterRect(offset);
        return {view()->viewport()->mapToGlobal(local.topLeft()), local.size()};
    }
    int offsetAtPoint(const QPoint& point) const override {
        return toInt(view()->offsetAt(view()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        view()->ensureVisible(endIndex);
        view()->ensureVisible(startIndex);
    }

    // Plain text has no attributes: one run over the whole text.
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    ProtocolText* view() const { return static_cast<ProtocolText*>(widget()); }

    QList<QScrollBar*> scrollBars() const {
        QList<QScrollBar*> bars;
        for (QScrollBar* bar : {view()->verticalScrollBar(), view()->horizontalScrollBar()})
            if (bar->isVisible())
                bars << bar;
        return bars;
    }

    static int toInt(qsizetype value) { return static_cast<int>(std::clamp<qsizetype>(value, -1, INT_MAX)); }

    ProtocolText::Range unitAt(qsizetype offset, QAccessible::TextBoundaryType type) const {
        const qsizetype size = view()->toPlainText().size();
        offset = std::clamp<qsizetype>(offset, 0, size);
        switch (type) {
        case QAccessible::CharBoundary:
            return {offset, std::min(offset + 1, size)};
        case QAccessible::WordBoundary:
            return view()->wordRange(offset);
        case QAccessible::NoBoundary:
            return {0, size};
        case QAccessible::SentenceBoundary:  // a protocol line is one statement
        case QAccessible::ParagraphBoundary: // and one paragraph
        case QAccessible::LineBoundary:
            break;
        }
        return view()->lineRange(offset);
    }

    QString answer(ProtocolText::Range range, int* startOffset, int* endOffset) const {
        *startOffset = toInt(range.first);
        *endOffset = toInt(range.second);
        return view()->toPlainText().mid(range.first, range.second - range.first);
    }
};

QAccessibleInterface* createInterface(const QString& className, QObject* object) {
    if (className == QLatin1String(ProtocolText::staticMetaObject.className()) && object->isWidgetType())
        return new ProtocolTextAccessible(static_cast<ProtocolText*>(object));
    return nullptr;
}

} // namespace

void installProtocolTextAccessible() {
    static const bool installed = (QAccessible::installFactory(createInterface), true);
    Q_UNUSED(installed);
}

} // namespace numio
