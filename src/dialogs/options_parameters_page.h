// "Parameters": the user's category, color and size lists. Every change reaches the application's lists
// at once.
#pragma once

#include "dialogs/option_rules.h"
#include "dialogs/options_page.h"

class QListWidget;
class QPushButton;

namespace yarvelin {

class CYarvelinGui;

class COptions1 : public COptionsPage {
    Q_OBJECT
  public:
    explicit COptions1(CYarvelinGui& gui, QWidget* parent = nullptr);

    QListWidget* ListBox(OptionListKind kind) const { return m_lists[static_cast<int>(kind)]; }

    void Add(OptionListKind kind);
    void Edit(OptionListKind kind);
    void Remove(OptionListKind kind);
    void Defaults(OptionListKind kind);
    void RemoveAll(OptionListKind kind);

  private:
    QWidget* MakeListGroup(OptionListKind kind, const QString& title, const QString& prefix, bool removeAll);
    OptionListBox ReadBox(OptionListKind kind) const;
    void ShowBox(OptionListKind kind, const OptionListBox& box);
    // The user list becomes the list box; the second entry is selected; Apply is enabled.
    void Synchronize(OptionListKind kind, OptionListBox box);

    CYarvelinGui& m_gui;
    QListWidget* m_lists[3] = {};
};

}  // namespace yarvelin
