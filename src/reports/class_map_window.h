#pragma once

#include "core/answer_store.h"
#include "core/practice_state.h"
#include "platform/dialogs.h"
#include "reports/class_map.h"
#include "reports/class_overview_model.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QFutureWatcher>

#include <atomic>
#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;

namespace numio {

// A pupil of the class whose answers the map reads.
struct ClassMapSource {
    QString name;
    AnswerSource answers;
};

// What the class map is drawn from.
struct ClassMapInput {
    QString className; // the folder's name
    QList<ClassMapSource> pupils;
    QDateTime end; // where "this week" ends: classMapEnd()
    QDateTime now;
    StoredSettings settings; // which sums and differences the pages hold
    AnswerStores* stores = nullptr;
};

// The cells of one page of the class map: how many of the class know each fact.
class ClassMapModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;
    void show(const MapPage& page, const ClassMapCounts& counts);
    const MapPage& page() const { return page_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    MapPage page_;
    ClassMapCounts counts_;
};

// What the class knows of each fact, read from the pupils' stores aside with progress and cancel:
// a grid per operation, the ten weakest facts, the week's change, the pupils left out and why, and
// the whole as an A4 PDF. Window-modal over the class overview; it deletes itself when closed.
class ClassMapWindow : public QDialog {
    Q_OBJECT
  public:
    ClassMapWindow(ClassMapInput input, Dialogs& dialogs, QWidget* owner);
    ~ClassMapWindow() override;

    bool reading() const { return watcher_ != nullptr; }
    const ClassMapCounts& counts() const { return counts_; }
    QStringList unread() const { return unread_; }
    QComboBox* operationBox() const { return cbOperation_; }
    QTableView* map() const { return map_; }
    QListWidget* weakestList() const { return weakest_; }
    QLabel* lblWeek() const { return lblWeek_; }
    QListWidget* unreadList() const { return unreadList_; }
    QPushButton* pbCancel() const { return pbCancel_; }
    QPushButton* pbPdf() const { return pbPdf_; }

  signals:
    // The reading has ended (also cancelled) and its counts are shown.
    void loaded();

  private:
    struct Read {
        ClassMapPupil pupil;
        QString problem; // why the store could not be read; empty when it was
    };
    void finishReading();
    void showOperation();
    void savePdf();
    QList<MapPage> pages() const;

    ClassMapInput input_;
    Dialogs& dialogs_;
    std::shared_ptr<std::atomic<bool>> stop_;
    QFutureWatcher<Read>* watcher_;
    ClassMapCounts counts_;
    QStringList unread_;
    ClassMapModel* model_;
    QComboBox* cbOperation_;
    QTableView* map_;
    QLabel* lblWeek_;
    QListWidget* weakest_;
    QLabel* lblUnread_;
    QListWidget* unreadList_;
    QProgressBar* progress_;
    QLabel* lblStatus_;
    QPushButton* pbCancel_;
    QPushButton* pbPdf_;
    QPushButton* pbClose_;
};

} // namespace numio
