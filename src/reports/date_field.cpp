#include "reports/date_field.h"

#include "journal/journal_folder.h"
#include "platform/guard.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStyle>

namespace numio {

std::optional<QDate> parseDay(const QString& text) {
    static const QRegularExpression kDay(
        QStringLiteral(R"(^\s*(\d{1,2})\s*\.\s*(\d{1,2})\s*\.\s*(\d{4})\s*$)"));
    const QRegularExpressionMatch m = kDay.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate day(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!day.isValid())
        return std::nullopt;
    return day;
}

DateField::DateField(Dialogs& dialogs, QWidget* parent) : QLineEdit(parent), dialogs_(dialogs) {
    setMaxLength(20);
    QAction* calendar = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    calendar->setText(QStringLiteral("Kalendář"));
    calendar->setToolTip(QStringLiteral("Kalendář (Alt+šipka dolů)"));
    connect(calendar, &QAction::triggered, this, guard(dialogs_, [this] { openCalendar(); }));
    connect(this, &QLineEdit::editingFinished, this, guard(dialogs_, [this] { take(); }));
}

void DateField::setDate(QDate date) {
    setText(czechDate(date));
    if (date == date_)
        return;
    date_ = date;
    emit dateChanged(date);
}

void DateField::take() {
    if (text() == czechDate(date_))
        return;
    if (const auto day = parseDay(text()))
        setDate(*day);
    else {
        const QString typed = text();
        setText(czechDate(date_));
        emit refused(typed);
    }
}

void DateField::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (key == Qt::Key_F4 || (alt && key == Qt::Key_Down)) {
        openCalendar();
        return;
    }
    if (!alt && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        // From the day typed, if it is one: the step follows what the field shows.
        const QDate from = parseDay(text()).value_or(date_);
        setDate(from.addDays(key == Qt::Key_Up ? 1 : -1));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DateField::openCalendar() {
    take();
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setLocale(locale());
        calendar_->setAccessibleName(accessibleName());
        for (const auto chosen : {&QCalendarWidget::activated, &QCalendarWidget::clicked})
            connect(calendar_, chosen, this, guard(dialogs_, [this](QDate day) { choose(day); }));
    }
    calendar_->setSelectedDate(date_);
    calendar_->adjustSize();
    calendar_->move(mapToGlobal(rect().bottomLeft()));
    calendar_->show();
    calendar_->setFocus();
}

void DateField::choose(QDate day) {
    calendar_->hide();
    setFocus();
    setDate(day);
}

} // namespace numio
