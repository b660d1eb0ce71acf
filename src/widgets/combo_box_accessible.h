// What a screen reader hears for a drop-down list that cannot be typed in. Qt on Linux announces such a
// box by the entry it shows ("USD"), never by its caption, even when it has an accessible name; this
// interface gives it its name (the accessible name, else its label's words) and keeps the entry as its
// value.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace yarvelin {

class CComboBoxAccessible : public QAccessibleWidget {
  public:
    explicit CComboBoxAccessible(QComboBox* combo);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    QComboBox* Combo() const;
};

// Makes every drop-down list of the program use CComboBoxAccessible; once is enough, later calls do
// nothing.
void InstallComboBoxAccessibility();

}  // namespace yarvelin
