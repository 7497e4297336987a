#pragma once

#include "journal/journal.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "reports/parent_report.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QChartView;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace numio {

// frmPrehled: the success of every examination over time, the totals and the most-missed problems
// of a journal already read, under the name of the pupil whose journal it is. Modal; build one for
// every showing.
class OverviewWindow : public QDialog {
    Q_OBJECT
    // Read by name where the library is loaded: naming the class there would link it.
    Q_PROPERTY(QStringList chosenEntries READ chosenEntries)
  public:
    // protocolPath: the journal's file; the pupil's name is remembered for it in the store.
    // practice: the rules of the problems that may be practised; none while an examination runs.
    // pupilName: the name the journal is known by where it was opened (a row of the class); without
    // one the pupil's name of this computer, else the name remembered for the file.
    OverviewWindow(const Journal& journal, const QString& protocolPath, SettingsStore& store,
                   Dialogs& dialogs, std::optional<StoredSettings> practice, QWidget* owner,
                   const QString& pupilName = QString(), std::optional<ParentAnswers> answers = std::nullopt);

    QLineEdit* dfName() const { return dfName_; }
    QGroupBox* summary() const { return summary_; }
    QTableWidget* missedTable() const { return missedTable_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QPushButton* pbPdf() const { return pbPdf_; }
    QPushButton* pbReport() const { return pbReport_; }
    QPushButton* pbPractise() const { return pbPractise_; }
    QPushButton* pbClose() const { return pbClose_; }

    // Up to 150 repeat-list entries ("12,3,4,4"), most-missed first, when the window was closed to
    // practise them; else none.
    const QStringList& chosenEntries() const { return chosen_; }

    void done(int result) override;

    // The parents' page of the period chosen where the overview was opened (the class table's), from
    // the whole journal, so that it says what the class's page of the same pupil says; without it,
    // this week's.
    void setParentPeriod(const Journal& whole, const Period& period, const QString& periodText) {
        parentPeriod_ = ParentPeriod{whole, period, periodText};
    }

  private:
    struct ParentPeriod {
        Journal whole;
        Period period;
        QString text;
    };
    QLayout* buildPupilRow(const QString& pupilName, const QString& journalName);
    QWidget* buildNotice();
    QWidget* buildChartView();
    QWidget* buildTrendNote();
    QWidget* buildSummary();
    QWidget* buildMissedBox();
    QLayout* buildButtons();
    QString chooseTarget(const QString& title, const QString& filter, const QString& suffix);
    void saveCsv();
    void savePdf();
    void saveParentReport();
    void practise();
    void keepPupilName();

    Journal journal_;
    std::optional<StoredSettings> practice_;
    QString protocolPath_;
    std::optional<ParentAnswers> answers_; // where the parents' page reads what he knows
    std::optional<ParentPeriod> parentPeriod_;
    SettingsStore& store_;
    Dialogs& dialogs_;
    QString storedName_; // the name the store has for the file, or the one shown: kept only when changed
    QStringList chosen_;
    QLineEdit* dfName_;
    QChartView* chartView_;
    QGroupBox* summary_;
    QTableWidget* missedTable_;
    QLabel* lblStatus_;
    QPushButton* pbCsv_;
    QPushButton* pbPdf_;
    QPushButton* pbReport_;
    QPushButton* pbPractise_;
    QPushButton* pbClose_;
};

// Under a list cut short: "… a ještě 1 další příklad.", "… a další 2 různé příklady.", "… a dalších
// 5 různých příkladů."
QString moreProblems(qint64 n);

} // namespace numio
