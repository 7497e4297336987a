#pragma once

#include "platform/dialogs.h"
#include "protocol/journal.h"

#include <QDialog>
#include <QStringList>

class QChartView;
class QLabel;
class QPushButton;
class QTableWidget;

namespace numio {

// frmPrehled: the success of every examination over time, the totals and the most-missed problems
// of a journal already read. Modal; build one for every showing.
class OverviewWindow : public QDialog {
    Q_OBJECT
  public:
    // canPractise: no examination runs, so the repeat mode may start.
    OverviewWindow(const Journal& journal, Dialogs& dialogs, bool canPractise, QWidget* owner);

    QChartView* chartView() const { return chartView_; }
    QTableWidget* missedTable() const { return missedTable_; }
    QPushButton* pbPdf() const { return pbPdf_; }
    QPushButton* pbPractise() const { return pbPractise_; }
    QPushButton* pbClose() const { return pbClose_; }

  signals:
    // Up to 150 repeat-list entries ("12,3,4,4"), most-missed first; the window then closes.
    void practiseRequested(QStringList entries);

  private:
    void savePdf();
    void practise();

    Journal journal_;
    Dialogs& dialogs_;
    QChartView* chartView_;
    QTableWidget* missedTable_;
    QPushButton* pbPdf_;
    QPushButton* pbPractise_;
    QPushButton* pbClose_;
};

// An A4 document for a parents' meeting: the title, the totals, the chart as the view shows it and
// the most-missed problems over as many pages as they need. False when the file cannot be written.
bool saveOverviewPdf(const Journal& journal, QChartView* chartView, const QString& path);

} // namespace numio
