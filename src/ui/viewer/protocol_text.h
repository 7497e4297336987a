#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPoint>

#include <utility>
#include <vector>

class QMenu;

namespace numio {
class Dialogs;
}

namespace numio {

// A read-only text box for long plain text. It keeps the text and an index of line starts and
// paints only the lines in sight, so a protocol of millions of lines is ready at once, where a
// text document would build a block per line first. Lines end in CR LF, LF or a lone CR, each kept
// as LF alone, so the caret, copies and screen readers see one break; a NUL shows as kNulMark.
//
// Positions are offsets into toPlainText(). The caret and the selection's anchor move with the
// keys and the mouse as in a read-only text box.
class ProtocolText : public QAbstractScrollArea {
    Q_OBJECT
  public:
    using Range = std::pair<qsizetype, qsizetype>;  // [first, last)
    static constexpr char16_t kNulMark = u'\u2400'; // "␀"

    // dialogs: where a failure in one of its handlers is told; none lets it go to the application.
    explicit ProtocolText(QWidget* parent = nullptr, Dialogs* dialogs = nullptr);

    void setPlainText(QString text);
    const QString& toPlainText() const { return text_; }
    qsizetype lineCount() const { return static_cast<qsizetype>(starts_.size()); }
    QString lineText(qsizetype line) const;
    qsizetype firstVisibleLine() const;

    qsizetype lineOf(qsizetype offset) const;
    // The line holding offset with its line break, so that the lines tile the text.
    Range lineRange(qsizetype offset) const;
    // A run of letters and digits, of blanks, or a single other character.
    Range wordRange(qsizetype offset) const;

    qsizetype cursorPosition() const { return cursor_; }
    qsizetype anchorPosition() const { return anchor_; }
    bool hasSelection() const { return anchor_ != cursor_; }
    Range selectionRange() const;
    void setSelection(qsizetype anchor, qsizetype cursor);
    void setCursorPosition(qsizetype offset) { setSelection(offset, offset); }
    QString selectedText() const;
    void selectAll();
    void copy() const;
    QMenu* createContextMenu(QWidget* parent);

    // In the viewport's coordinates; offsetAt gives -1 outside the viewport.
    QRect characterRect(qsizetype offset) const;
    qsizetype offsetAt(QPoint point) const;
    void ensureVisible(qsizetype offset);

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    enum class Unit { Char, Word, Line };

    qsizetype lineStart(qsizetype line) const { return starts_[static_cast<std::size_t>(line)]; }
    qsizetype lineLength(qsizetype line) const;
    qsizetype clampOffset(qsizetype offset) const;
    // A click puts the caret in the nearest gap between characters; a double click takes the
    // character under the pointer.
    enum class Hit { Gap, Character };
    qsizetype pointOffset(QPoint point, Hit hit) const;
    qsizetype nextWord(qsizetype offset) const;
    qsizetype previousWord(qsizetype offset) const;
    qsizetype offsetInLine(qsizetype line, qsizetype column) const;
    bool moveByKey(QKeyEvent* event);
    void select(qsizetype anchor, qsizetype cursor, bool reveal);
    void dragTo(QPoint point);
    void publishSelection() const;
    int lineHeight() const;
    int charWidth() const;
    int visibleLines() const;
    void updateScrollBars();

    Dialogs* dialogs_;
    QString text_;
    std::vector<qsizetype> starts_{0};
    qsizetype longest_ = 0;
    qsizetype anchor_ = 0;
    qsizetype cursor_ = 0;
    qsizetype goalColumn_ = -1; // kept while moving up and down through shorter lines
    Unit dragUnit_ = Unit::Char;
    Range dragOrigin_;               // the word or line a double or triple click started on
    QElapsedTimer sinceDoubleClick_; // a press soon after a double click selects the line
    QPoint doubleClickPoint_;
};

} // namespace numio
