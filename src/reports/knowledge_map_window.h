#pragma once

#include "core/answer_store.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "reports/knowledge_map.h"
#include "reports/knowledge_map_input.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace numio {

class KnowledgeMapModel;
class WeekChart;

// What the pupil knows of each fact of one operation: a tile per fact in the colour and with the mark
// of where he stands, the known facts against a week ago and week by week, and the page as a PDF.
// Modal; build one for every showing.
class KnowledgeMapWindow : public QDialog {
    Q_OBJECT
  public:
    KnowledgeMapWindow(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                       QWidget* owner);
    ~KnowledgeMapWindow() override;

    QComboBox* operationBox() const { return cbOperation_; }
    QTableView* map() const { return map_; }
    QLabel* lblKnown() const { return lblKnown_; }
    WeekChart* weekChart() const { return chart_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QPushButton* pbPdf() const { return pbPdf_; }
    QPushButton* pbReport() const { return pbReport_; }
    QPushButton* pbWorksheet() const { return pbWorksheet_; }
    QPushButton* pbClose() const { return pbClose_; }
    // The operation shown: 1 +, 2 -, 3 *, 4 :.
    int operation() const;

  signals:
    // The answers read aside have come and are shown.
    void loaded();

  private:
    void startReading();
    void showRead(const ReadOutcome& outcome);
    void showOperation(int op);
    // Folds or unfolds what the settings do not ask first, for this operation until the map closes.
    void setFolded(bool folded);
    void fitMap();
    void savePdf();
    void saveParentReport();
    void makeWorksheet();
    bool eventFilter(QObject* watched, QEvent* event) override;

    KnowledgeMapInput input_;
    SettingsStore& store_;
    Dialogs& dialogs_;
    KnowledgeMapModel* model_;
    QList<WeekCount> weeks_;
    QList<int> unfolded_; // the operations whose rest is unfolded
    bool loading_ = false;
    QComboBox* cbOperation_;
    QTableView* map_;
    QLabel* lblKnown_;
    WeekChart* chart_;
    QLabel* lblStatus_;
    QPushButton* pbPdf_;
    QPushButton* pbReport_;
    QPushButton* pbWorksheet_;
    QPushButton* pbClose_;
};

// The operation the map opens on: the first one switched on that asks anything, multiplication first.
int firstMapOperation(const StoredSettings& settings);

} // namespace numio
