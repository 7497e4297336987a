#pragma once

#include "platform/export.h"

#include "exam/phase.h"

#include <QString>

namespace numio {

struct PracticeState;

// The correction line in one phase of its blink.
enum class Blink { Off, Yellow, Red };

// The texts of the results frame.
struct NUMIO_EXPORT Counts {
    QString done, right, wrong, rate, grade;
};

// What the examination shows; the main window implements it, the tests record it.
class NUMIO_EXPORT ExamView {
  public:
    virtual ~ExamView() = default;
    // The problem as written and as a screen reader speaks it; in a set its place ("Příklad 4 z 10"),
    // otherwise empty.
    virtual void showProblem(const QString& text, const QString& spoken, const QString& place) = 0;
    virtual QString typedAnswer() const = 0;
    virtual void clearAnswer() = 0;
    virtual void focusAnswer() = 0;
    virtual void showCounts(const Counts& counts) = 0;
    virtual void showGradeBox(bool shown) = 0;
    virtual void showResultsTitle(const QString& title) = 0;
    virtual void showCorrection(const QString& text, Blink blink) = 0;
    virtual void showProgress(bool shown, int value, int maximum) = 0;
    // The report card with its left edge in twips (-2100 out of sight, 0 arrived).
    virtual void showCard(int leftTwips, const QString& grade) = 0;
    virtual void showStatus(const QString& text) = 0;
    virtual void showLook(const Look& look) = 0;
    // The status bar's pictures and whatever else of the window follows the settings.
    virtual void showSettings(const PracticeState& state) = 0;
    virtual void beep() = 0;
};

} // namespace numio
