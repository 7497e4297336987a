#include "reports/knowledge_map_view.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace numio {

namespace {

// What sets a tile's width: the mark and the room on either side of the problem.
double markWidth(const QFontMetricsF& m) {
    return m.horizontalAdvance(QStringLiteral("✗"));
}
double padding(const QFontMetricsF& m) {
    return m.averageCharWidth() * 0.6;
}

// The legend drawn, or only measured when there is no painter: the swatches are as high as a line
// and a half, so that their marks read as in the map. A state that does not fit on the line begins
// the next one; a width of 0 keeps them all on one.
QSizeF legendPass(QPainter* painter, const QRectF& box, const QFont& font, const QFontMetricsF& m,
                  const QColor& colour) {
    const double h = m.height() * 1.4, w = h * 1.3, gap = m.averageCharWidth(), line = m.height() * 1.8;
    double x = 0, y = 0, widest = 0;
    for (const FactState state : kLegendStates) {
        const QString name = lookOf(state).name;
        const double item = w + gap + m.horizontalAdvance(name);
        if (x > 0 && box.width() > 0 && x + item > box.width())
            x = 0, y += line;
        if (painter) {
            const QRectF at(box.left() + x, box.top() + y, item, line);
            paintFactCell(*painter, QRectF(at.left(), at.center().y() - h / 2, w, h), QString(), state, font);
            painter->setFont(font);
            painter->setPen(colour);
            painter->drawText(at.adjusted(w + gap, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
        }
        widest = std::max(widest, x + item);
        x += item + 3 * gap;
    }
    return {widest, y + line};
}

} // namespace

StateLook lookOf(FactState state) {
    // Greys on paper, darkest first: known, not known, learning; the light ones told by their edge.
    const QColor known(0x1d, 0x4f, 0x91), ink(0x0e, 0x22, 0x3d);
    switch (state) {
    case FactState::Known:
        return {known, Qt::white, QStringLiteral("✓"), QStringLiteral("Umí"), {}};
    case FactState::Refresh:
        // Known gone pale: the known blue as a frame.
        return {QColor(0xdb, 0xe6, 0xf4),
                ink,
                QStringLiteral("↻"),
                QStringLiteral("Umí, zopakovat"),
                known,
                Qt::SolidLine,
                2.5};
    case FactState::FewTries:
        return {
            Qt::white,    ink, QStringLiteral("?"), QStringLiteral("Málo pokusů"), QColor(0x4a, 0x6f, 0xa5),
            Qt::DashLine, 1.2};
    case FactState::Learning:
        return {QColor(0xa6, 0xcf, 0xf0), ink, QStringLiteral("~"), QStringLiteral("Učí se"), {}};
    case FactState::NotKnown:
        return {QColor(0xe8, 0x85, 0x3a),
                QColor(0x2a, 0x14, 0x00),
                QStringLiteral("✗"),
                QStringLiteral("Neumí"),
                {}};
    case FactState::NeverAsked:
        break;
    }
    return {QColor(0xf3, 0xf3, 0xf3), QColor(0x5f, 0x5f, 0x5f), QString(), QStringLiteral("Ještě nezkoušeno"),
            QColor(0xc8, 0xc8, 0xc8)};
}

void paintFactCell(QPainter& painter, const QRectF& cell, const QString& text, FactState state,
                   const QFont& font) {
    const StateLook look = lookOf(state);
    const QFontMetricsF m(font, painter.device());
    const QRectF tile = cell.adjusted(1, 1, -1, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double edge = look.edge.isValid() ? std::max(1.0, m.height() * look.edgeWidth / 10) : 0;
    painter.setPen(look.edge.isValid() ? QPen(look.edge, edge, look.edgeStyle) : QPen(Qt::NoPen));
    painter.setBrush(look.fill);
    const double radius = m.height() * 0.15;
    const double inset = std::max(0.5, edge / 2);
    painter.drawRoundedRect(tile.adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.setPen(look.text);
    painter.setFont(font);
    // A narrow tile (a small screen) gives up the room around the problem before the problem itself.
    const double pad =
        text.isEmpty()
            ? padding(m)
            : std::clamp((tile.width() - m.horizontalAdvance(text) - markWidth(m)) / 3, 1.0, padding(m));
    if (!text.isEmpty())
        painter.drawText(tile.adjusted(pad, 0, -(markWidth(m) + pad), 0), Qt::AlignCenter, text);
    if (!look.mark.isEmpty()) {
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        const Qt::Alignment where = (text.isEmpty() ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter;
        painter.drawText(text.isEmpty() ? tile : tile.adjusted(0, 0, -pad, 0), int(where), look.mark);
    }
    painter.restore();
}

void paintGroupTitle(QPainter& painter, const QRectF& row, const QString& title, const QFont& font,
                     const QColor& colour) {
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    const QFontMetricsF m(font, painter.device());
    painter.drawText(row.adjusted(padding(m), 0, 0, -m.descent()), Qt::AlignLeft | Qt::AlignBottom, title);
    painter.restore();
}

double cellWidth(const MapPage& page, const QFontMetricsF& metrics, bool narrow) {
    const Fact widest = page.op == 3 ? Fact{3, 10, 10}
                        : page.op == 4
                            ? Fact{4, 100, 10}
                            : Fact{page.op, std::max(page.largest, 10), std::max(page.largest, 10)};
    QString text = shownFact(widest);
    for (QChar& c : text)
        c = c.isDigit() ? u'0' : c;
    return metrics.horizontalAdvance(text) + markWidth(metrics) + (narrow ? 3 : 4 * padding(metrics)) + 2;
}

double paintLegend(QPainter& painter, const QRectF& box, const QFont& font, const QColor& colour) {
    return legendPass(&painter, box, font, QFontMetricsF(font, painter.device()), colour).height();
}

QSizeF legendSize(const QFontMetricsF& metrics, double width) {
    return legendPass(nullptr, QRectF(0, 0, width, 0), QFont(), metrics, QColor());
}

QString weekLabel(const QList<WeekCount>& weeks, qsizetype i) {
    if (i == weeks.size() - 1)
        return QStringLiteral("dnes");
    return QStringLiteral("%1.%2.").arg(weeks[i].end.day()).arg(weeks[i].end.month());
}

void paintWeekChart(QPainter& painter, const QRectF& box, const QList<WeekCount>& weeks, const QFont& font,
                    const QColor& colour) {
    if (weeks.isEmpty())
        return;
    const QFontMetricsF m(font, painter.device());
    const double line = m.height();
    const QRectF plot = box.adjusted(0, line * 1.2, 0, -line * 1.4);
    int most = 1;
    for (const WeekCount& w : weeks)
        most = std::max(most, w.known);
    const double slot = plot.width() / double(weeks.size());
    painter.save();
    painter.setFont(font);
    QColor axis = colour;
    axis.setAlphaF(0.5);
    painter.setPen(QPen(axis, 1));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    for (qsizetype i = 0; i < weeks.size(); ++i) {
        const double x = plot.left() + slot * double(i);
        const double h = plot.height() * weeks[i].known / most;
        const QRectF bar(x + slot * 0.2, plot.bottom() - h, slot * 0.6, h);
        painter.fillRect(bar, lookOf(FactState::Known).fill);
        painter.setPen(colour);
        painter.drawText(QRectF(x, bar.top() - line * 1.2, slot, line * 1.2),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(weeks[i].known));
        painter.drawText(QRectF(x, plot.bottom() + line * 0.2, slot, line * 1.2),
                         Qt::AlignHCenter | Qt::AlignTop, weekLabel(weeks, i));
    }
    painter.restore();
}

KnowledgeMapModel::KnowledgeMapModel(const Knowledge& knowledge, int knownWithinMs, qint64 now,
                                     QObject* parent)
    : QAbstractTableModel(parent), knowledge_(knowledge), knownWithinMs_(knownWithinMs), now_(now) {}

void KnowledgeMapModel::setFolded(bool folded) {
    folded_ = folded;
    if (page_.foldRow >= 0)
        emit dataChanged(index(page_.foldRow, 0), index(page_.foldRow, 0));
}

void KnowledgeMapModel::setKnowledge(const Knowledge& knowledge) {
    beginResetModel();
    knowledge_ = knowledge;
    endResetModel();
}

void KnowledgeMapModel::setPage(MapPage page) {
    beginResetModel();
    page_ = std::move(page);
    endResetModel();
}

int KnowledgeMapModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(page_.rows.size());
}

int KnowledgeMapModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMapColumns;
}

QVariant KnowledgeMapModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= page_.rows.size())
        return {};
    const MapRow& row = page_.rows[index.row()];
    if (!row.title.isEmpty()) {
        // The title spans the row; a screen reader meeting the cells it covers hears it too.
        if (index.column() != 0)
            return role == Qt::AccessibleTextRole ? QVariant(row.title) : QVariant();
        const bool fold = index.row() == page_.foldRow;
        switch (role) {
        case Qt::DisplayRole:
            return fold ? (folded_ ? QStringLiteral("▸ ") : QStringLiteral("▾ ")) + row.title : row.title;
        case Qt::AccessibleTextRole:
            return fold ? row.title + (folded_ ? QStringLiteral(" – sbaleno, rozbalíte mezerníkem")
                                               : QStringLiteral(" – rozbaleno, sbalíte mezerníkem"))
                        : row.title;
        case Qt::ToolTipRole:
            return fold ? (folded_ ? QStringLiteral("Rozbalíte klepnutím nebo mezerníkem.")
                                   : QStringLiteral("Sbalíte klepnutím nebo mezerníkem."))
                        : QVariant();
        case TitleRole:
            return true;
        case FoldRole:
            return fold;
        default:
            return {};
        }
    }
    const Fact* fact = page_.factAt(index.row(), index.column());
    if (!fact)
        return role == Qt::AccessibleTextRole ? QVariant(QStringLiteral("prázdné políčko")) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return shownFact(*fact);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return factDescription(*fact, summariseFact(knowledge_.value(*fact), knownWithinMs_, now_));
    default:
        break;
    }
    const FactState state = factState(knowledge_.value(*fact), knownWithinMs_, now_);
    switch (role) {
    case StateRole:
        return int(state);
    case MarkRole:
        return lookOf(state).mark;
    case Qt::BackgroundRole:
        return lookOf(state).fill;
    case Qt::ForegroundRole:
        return lookOf(state).text;
    default:
        return {};
    }
}

QVariant KnowledgeMapModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !page_.grid())
        return {};
    // A row is numbered by its table, wherever the settings put it.
    if (orientation == Qt::Vertical)
        return section < page_.rows.size() && page_.rows[section].table > 0
                   ? QVariant(page_.rows[section].table)
                   : QVariant(QString());
    return QString::number(section + 1);
}

Qt::ItemFlags KnowledgeMapModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= page_.rows.size())
        return Qt::NoItemFlags;
    // The cells a row of facts leaves empty are passed over by the arrows.
    if (page_.rows[index.row()].title.isEmpty() && !page_.factAt(index.row(), index.column()))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void KnowledgeMapDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (!(index.flags() & Qt::ItemIsEnabled))
        return;
    if (index.data(KnowledgeMapModel::FoldRole).toBool()) {
        // The fold reads as a button: a bar under its title.
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Mid), 1));
        painter->setBrush(option.palette.color(QPalette::Button));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
        painter->restore();
    }
    if (index.data(KnowledgeMapModel::TitleRole).toBool()) {
        QFont bold = option.font;
        bold.setBold(true);
        paintGroupTitle(*painter, option.rect, index.data().toString(), bold,
                        option.palette.color(QPalette::ButtonText));
    } else {
        paintFactCell(*painter, option.rect, index.data().toString(),
                      FactState(index.data(KnowledgeMapModel::StateRole).toInt()), option.font);
    }
    if (option.state & (QStyle::State_HasFocus | QStyle::State_Selected)) {
        // Black and white together show on the dark blue and on the white alike.
        painter->save();
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(option.palette.color(QPalette::WindowText), 2));
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->setPen(QPen(option.palette.color(QPalette::Base), 1));
        painter->drawRect(QRectF(option.rect).adjusted(2.5, 2.5, -2.5, -2.5));
        painter->restore();
    }
}

MapLegend::MapLegend(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("wgLegenda"));
    QStringList parts;
    for (const FactState state : kLegendStates) {
        const StateLook look = lookOf(state);
        parts << (look.mark.isEmpty() ? QStringLiteral("bez značky") : look.mark) + u' ' +
                     look.name.toLower();
    }
    setAccessibleName(QStringLiteral("Legenda"));
    setAccessibleDescription(parts.join(QStringLiteral(", ")));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void MapLegend::resizeEvent(QResizeEvent*) {
    // Its height follows the lines it needs at this width, as the map's line does.
    const int needed = heightForWidth(width());
    if (needed != lines_) {
        lines_ = needed;
        setMinimumHeight(needed);
        updateGeometry();
    }
}

QSize MapLegend::sizeHint() const {
    // Before it has a width, two lines: the map beside which it stands is seldom wider than that,
    // and a window sized to its hint must not need to scroll for a legend wider than the map.
    const QFontMetricsF m(font());
    const QSizeF two = legendSize(m, legendSize(m, 0).width() * 0.6);
    return QSize(int(std::ceil(two.width())) + 2, lines_ > 0 ? lines_ : int(std::ceil(two.height())));
}

QSize MapLegend::minimumSizeHint() const {
    // The widest state alone on a line.
    const QSizeF one = legendSize(QFontMetricsF(font()), 1);
    return QSize(int(one.width()) + 2, int(one.height() / std::size(kLegendStates)));
}

int MapLegend::heightForWidth(int width) const {
    return int(std::ceil(legendSize(QFontMetricsF(font()), width - 2).height()));
}

void MapLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLegend(painter, QRectF(rect()).adjusted(0, 0, -2, 0), font(), palette().color(QPalette::WindowText));
}

WeekChart::WeekChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("wgTydny"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void WeekChart::setWeeks(const QList<WeekCount>& weeks, const QString& what) {
    weeks_ = weeks;
    QStringList parts;
    for (qsizetype i = 0; i < weeks.size(); ++i)
        parts << QStringLiteral("%1: %2").arg(weekLabel(weeks, i), QString::number(weeks[i].known));
    setAccessibleName(what);
    setAccessibleDescription(parts.join(QStringLiteral(", ")));
    update();
}

QSize WeekChart::sizeHint() const {
    const QFontMetricsF m(font());
    return QSize(int(m.horizontalAdvance(QStringLiteral("30.12.")) * 1.6 * kMapWeeks), int(m.height() * 8));
}

QSize WeekChart::minimumSizeHint() const {
    // On a small screen the columns grow shorter, their figures and dates stay whole.
    const QFontMetricsF m(font());
    return QSize(int(m.horizontalAdvance(QStringLiteral("30.12.")) * 1.15 * kMapWeeks), int(m.height() * 5));
}

void WeekChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintWeekChart(painter, QRectF(rect()), weeks_, font(), palette().color(QPalette::WindowText));
}

} // namespace numio
