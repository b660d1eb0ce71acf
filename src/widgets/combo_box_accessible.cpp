#include "widgets/combo_box_accessible.h"

#include <QComboBox>

namespace yarvelin {

namespace {

QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object) {
    // Editable boxes are named by their caption already; Qt's own interface also reaches their text.
    auto* combo = qobject_cast<QComboBox*>(object);
    if (combo != nullptr && className == QLatin1String("QComboBox") && !combo->isEditable()) {
        return new CComboBoxAccessible(combo);
    }
    return nullptr;
}

}  // namespace

CComboBoxAccessible::CComboBoxAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
}

QComboBox* CComboBoxAccessible::Combo() const {
    return static_cast<QComboBox*>(widget());
}

QString CComboBoxAccessible::text(QAccessible::Text t) const {
    switch (t) {
        case QAccessible::Name: {
            // The widget's accessible name, else its label's words without the mnemonic.
            const QString name = QAccessibleWidget::text(QAccessible::Name);
            return name.isEmpty() ? Combo()->currentText() : name;
        }
        case QAccessible::Value:
            return Combo()->currentText();
        default:
            return QAccessibleWidget::text(t);
    }
}

QStringList CComboBoxAccessible::actionNames() const {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
}

void CComboBoxAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction()) {
        Combo()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

void InstallComboBoxAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&ComboBoxFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace yarvelin
