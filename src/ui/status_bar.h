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
    enum Picture { Addition = 1, Subtraction, Multiplication, Division, AnswerLimit, Protocol, SetLimit };

    explicit StatusBar(QWidget* parent = nullptr);

    QLabel* textPanel() const { return text_; }
    // Panel 2..7: shows `picture`, or hides the panel for 0. A note says what of it is chosen
    // ("jen násobilka 7"); its tooltip and name read "Násobení: jen násobilka 7".
    void setPanel(int panel, int picture, const QString& note = {});
    int panelPicture(int panel) const { return shown_[static_cast<std::size_t>(panel)]; }
    bool panelVisible(int panel) const;
    // Who practises, in a panel of its own; hidden while no pupil is chosen.
    void setPupil(const QString& name);
    QLabel* pupilPanel() const { return pupil_; }

  signals:
    void hovered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void redraw(int panel);

    QLabel* text_;
    QLabel* pupil_;
    std::array<QLabel*, 8> panels_{};
    std::array<int, 8> shown_{};
    std::array<bool, 8> noted_{}; // a mark in the corner: only part of the operation is asked
};

} // namespace numio
