#pragma once

#include "reports/knowledge_map.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QWidget>

class QFont;
class QFontMetricsF;
class QPainter;
class QRectF;

namespace numio {

// How a state looks: blue for what is known, orange for what is not, each of its own lightness,
// an edge where lightness alone would not tell it on a grey printout, and a mark of its own, so
// that neither colour vision nor a grey printer loses the difference.
struct StateLook {
    QColor fill;
    QColor text;
    QString mark; // ✓, ↻, ?, ~, ✗; none for a fact never asked
    QString name; // "Umí", as the legend says it
    QColor edge;  // none when invalid
    Qt::PenStyle edgeStyle = Qt::SolidLine;
    double edgeWidth = 1; // in the tile's font heights / 10
};
StateLook lookOf(FactState state);
// The states as the legend lists them.
inline constexpr FactState kLegendStates[] = {FactState::Known,    FactState::Refresh,
                                              FactState::FewTries, FactState::Learning,
                                              FactState::NotKnown, FactState::NeverAsked};

// A fact's tile: its colour, the problem and its state's mark at the right.
void paintFactCell(QPainter& painter, const QRectF& cell, const QString& text, FactState state,
                   const QFont& font);
// A group's title across a row.
void paintGroupTitle(QPainter& painter, const QRectF& row, const QString& title, const QFont& font,
                     const QColor& colour);
// How wide a tile must be for the page's widest problem and a mark: with room around them, or as
// narrow as they allow.
double cellWidth(const MapPage& page, const QFontMetricsF& metrics, bool narrow = false);
// The legend from the box's top left, in as many lines as the box's width needs; how high it is.
double paintLegend(QPainter& painter, const QRectF& box, const QFont& font, const QColor& colour);
// How high the legend is at this width; how wide in one line when the width is 0.
QSizeF legendSize(const QFontMetricsF& metrics, double width);
// Columns of the known facts of each week, the figure above each and the week's end below.
void paintWeekChart(QPainter& painter, const QRectF& box, const QList<WeekCount>& weeks, const QFont& font,
                    const QColor& colour);
// "5.10.", or "dnes" for the week that ends now.
QString weekLabel(const QList<WeekCount>& weeks, qsizetype i);

// The cells of one page of the map, their state worked out as they are shown.
class KnowledgeMapModel : public QAbstractTableModel {
  public:
    enum Role { StateRole = Qt::UserRole + 1, MarkRole, TitleRole, FoldRole };

    // `now`: seconds since 1970, for the facts that want a refresh.
    KnowledgeMapModel(const Knowledge& knowledge, int knownWithinMs, qint64 now, QObject* parent);
    void setPage(MapPage page);
    void setKnowledge(const Knowledge& knowledge);
    const MapPage& page() const { return page_; }
    // Whether the rows under the fold are hidden.
    bool folded() const { return folded_; }
    void setFolded(bool folded);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    Knowledge knowledge_; // implicitly shared with the window's
    int knownWithinMs_;
    qint64 now_;
    MapPage page_;
    bool folded_ = true;
};

// Paints the model's tiles and titles; the cell in hand gets a frame that shows on every colour.
class KnowledgeMapDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

class MapLegend : public QWidget {
  public:
    explicit MapLegend(QWidget* parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int lines_ = 0; // the height its lines need at its width; 0 before it has one
};

class WeekChart : public QWidget {
  public:
    explicit WeekChart(QWidget* parent);
    void setWeeks(const QList<WeekCount>& weeks, const QString& what);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<WeekCount> weeks_;
};

} // namespace numio
