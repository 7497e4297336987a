#pragma once

#include "platform/dialogs.h"
#include "platform/text_files.h"

#include <QAbstractScrollArea>
#include <QDialog>

#include <compare>
#include <vector>

class QPushButton;

namespace numio {

// A read-only text box for long plain text. It keeps the text and an index of line starts and
// paints only the lines in sight, so a protocol of millions of lines is ready at once, where a
// text document would build a block per line first. Lines end in LF or CR LF.
class ProtocolText : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit ProtocolText(QWidget* parent = nullptr);

    void setPlainText(const QString& text);
    QString toPlainText() const { return text_; }
    bool isReadOnly() const { return true; }
    qsizetype lineCount() const { return static_cast<qsizetype>(starts_.size()); }
    QString lineText(qsizetype line) const;
    qsizetype firstVisibleLine() const;

    QString selectedText() const;
    void selectAll();
    void copy() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    struct Position {
        qsizetype line = 0;
        qsizetype column = 0;
        auto operator<=>(const Position&) const = default;
    };

    qsizetype lineLength(qsizetype line) const;
    qsizetype offsetOf(Position p) const;
    Position positionAt(QPoint point) const;
    int lineHeight() const;
    int charWidth() const;
    void updateScrollBars();

    QString text_;
    std::vector<qsizetype> starts_{0};
    qsizetype longest_ = 0;
    Position anchor_;
    Position cursor_;
};

// frmProtokol: the whole protocol file, read when the window is built. Build one for every
// showing, so lines written in the meantime are there.
class ProtocolViewer : public QDialog {
    Q_OBJECT
  public:
    ProtocolViewer(TextFiles& files, const QString& path, Dialogs& dialogs, QWidget* owner);

    ProtocolText* dfProtokol() const { return dfProtokol_; }
    QPushButton* pbClose() const { return pbClose_; }

  private:
    static QString load(TextFiles& files, const QString& path, Dialogs& dialogs);

    ProtocolText* dfProtokol_;
    QPushButton* pbClose_;
};

} // namespace numio
