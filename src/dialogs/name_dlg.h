// The small dialog that asks for a new or changed category, color or size name.
#pragma once

#include <QDialog>
#include <string>

#include "dialogs/option_rules.h"

class QLineEdit;

namespace yarvelin {

class CYarvelinGui;

class CNameDlg : public QDialog {
    Q_OBJECT
  public:
    CNameDlg(CYarvelinGui& gui, OptionListKind kind, const QString& text, QWidget* parent = nullptr);

    // The accepted name, trimmed, as 8-bit text.
    const std::string& Name() const { return m_name; }

  public slots:
    void accept() override;

  private:
    CYarvelinGui& m_gui;
    OptionListKind m_kind;
    QLineEdit* m_edit = nullptr;
    std::string m_name;
};

}  // namespace yarvelin
