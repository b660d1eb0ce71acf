#include "dialogs/options_parameters_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "dialogs/name_dlg.h"
#include "platform/text_codec.h"

namespace yarvelin {

COptions1::COptions1(CYarvelinGui& gui, QWidget* parent) : COptionsPage(parent), m_gui(gui) {
    setObjectName(QStringLiteral("optionsParametersPage"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        MakeListGroup(OptionListKind::Categories, A("Categories"), QStringLiteral("category"), true), 3);
    auto* row = new QHBoxLayout;
    row->addWidget(MakeListGroup(OptionListKind::Colors, A("Colors"), QStringLiteral("color"), false));
    row->addWidget(MakeListGroup(OptionListKind::Sizes, A("Sizes"), QStringLiteral("size"), false));
    layout->addLayout(row, 2);
}

QWidget* COptions1::MakeListGroup(OptionListKind kind, const QString& title, const QString& prefix,
                                  bool removeAll) {
    auto* group = new QGroupBox(title, this);
    auto* row = new QHBoxLayout(group);
    auto* list = new QListWidget(group);
    list->setObjectName(prefix + QStringLiteral("List"));
    list->setAccessibleName(title);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    m_lists[static_cast<int>(kind)] = list;
    row->addWidget(list, 1);
    // The list box starts as the user list, in its order.
    OptionListBox box{UserList(m_gui.App(), kind), -1};
    ShowBox(kind, box);
    connect(list, &QListWidget::itemDoubleClicked, this, [this, kind] { Edit(kind); });

    auto* buttons = new QVBoxLayout;
    const auto addButton = [&](const char* text, const QString& name,
                               void (COptions1::*action)(OptionListKind)) {
        auto* button = new QPushButton(A(text), group);
        button->setObjectName(prefix + name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, kind, action] { (this->*action)(kind); });
        buttons->addWidget(button);
    };
    addButton("Add...", QStringLiteral("AddButton"), &COptions1::Add);
    addButton("Edit...", QStringLiteral("EditButton"), &COptions1::Edit);
    addButton("Remove", QStringLiteral("RemoveButton"), &COptions1::Remove);
    addButton("Defaults", QStringLiteral("DefaultsButton"), &COptions1::Defaults);
    if (removeAll) {
        addButton("Remove All", QStringLiteral("RemoveAllButton"), &COptions1::RemoveAll);
    }
    buttons->addStretch(1);
    row->addLayout(buttons);
    return group;
}

OptionListBox COptions1::ReadBox(OptionListKind kind) const {
    const QListWidget* list = ListBox(kind);
    OptionListBox box;
    box.entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        box.entries.push_back(ToCp1252(list->item(i)->text()));
    }
    const QList<QListWidgetItem*> selected = list->selectedItems();
    box.selection = selected.isEmpty() ? -1 : list->row(selected.first());
    return box;
}

void COptions1::ShowBox(OptionListKind kind, const OptionListBox& box) {
    QListWidget* list = ListBox(kind);
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(box.entries.size()));
    for (const std::string& entry : box.entries) {
        texts << FromCp1252(entry);
    }
    list->clear();
    list->addItems(texts);
    if (box.selection >= 0 && box.selection < list->count()) {
        list->setCurrentRow(box.selection);
    } else {
        list->clearSelection();
    }
}

void COptions1::Synchronize(OptionListKind kind, OptionListBox box) {
    SynchronizeOptionList(box, UserList(m_gui.App(), kind));
    ShowBox(kind, box);
    SetModified();
}

void COptions1::Add(OptionListKind kind) {
    CNameDlg dlg(m_gui, kind, QString(), this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    OptionListBox box = ReadBox(kind);
    AddOptionEntry(box, dlg.Name());
    Synchronize(kind, std::move(box));
}

void COptions1::Edit(OptionListKind kind) {
    OptionListBox box = ReadBox(kind);
    if (box.selection >= 0) {
        const int place = box.selection;
        CNameDlg dlg(m_gui, kind, FromCp1252(box.entries[static_cast<std::size_t>(place)]), this);
        if (dlg.exec() == QDialog::Accepted) {
            ReplaceOptionEntry(box, place, dlg.Name());
        }
        box.selection = place;
    }
    Synchronize(kind, std::move(box));
}

void COptions1::Remove(OptionListKind kind) {
    OptionListBox box = ReadBox(kind);
    RemoveSelectedOptionEntry(box);
    Synchronize(kind, std::move(box));
}

void COptions1::Defaults(OptionListKind kind) {
    Synchronize(kind, OptionListBox{BuiltinList(m_gui.App(), kind), -1});
}

void COptions1::RemoveAll(OptionListKind kind) {
    Synchronize(kind, OptionListBox{});
}

}  // namespace yarvelin
