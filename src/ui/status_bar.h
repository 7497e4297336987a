#pragma once

#include <QStatusBar>
#include <array>

class QLabel;

namespace numio {

// The status bar: one wide text panel and six picture panels built once, with setters in the
// program's own terms.
class StatusBar : public QStatusBar {
    Q_OBJECT
  public:
    // Pictures by their place in the picture list.
    enum Picture { Plus = 1, Minus, Krat, Deleno, Time, Protokol, ProtokolSet };

    explicit StatusBar(QWidget* parent = nullptr);

    QLabel* textPanel() const { return text_; }
    // Panel 2..7: shows `picture`, or hides the panel for 0.
    void setPanel(int panel, int picture);
    int panelPicture(int panel) const { return shown_[static_cast<std::size_t>(panel)]; }
    bool panelVisible(int panel) const;

  signals:
    void hovered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void redraw(int panel);

    QLabel* text_;
    std::array<QLabel*, 8> panels_{};
    std::array<int, 8> shown_{};
};

} // namespace numio
