#include "ui/value_label.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace numio {

namespace {

const char kValueProperty[] = "numioValueLabel";

class ValueLabelAccessible : public QAccessibleWidget {
  public:
    explicit ValueLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* label = static_cast<const QLabel*>(widget());
        if (t == QAccessible::Name)
            return label->text().isEmpty() ? label->accessibleDescription() : label->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* valueLabelFactory(const QString&, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (label && label->property(kValueProperty).toBool())
        return new ValueLabelAccessible(label);
    return nullptr;
}

} // namespace

void markValueLabel(QLabel* label, const QString& what) {
    static const bool installed = (QAccessible::installFactory(valueLabelFactory), true);
    Q_UNUSED(installed);
    // Before anything asks for the label's interface, which is made once and kept.
    label->setProperty(kValueProperty, true);
    label->setAccessibleDescription(what);
}

} // namespace numio
