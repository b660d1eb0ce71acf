#include "rules/category_map_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/builtin_lists.h"
#include "records/cp1252_text.h"
#include "rules/rule_text.h"

namespace yarvelin {

namespace {

enum Column { kUse, kCategory, kProducts, kBecomes };

std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

CCategoryMapDlg::CCategoryMapDlg(UiServices& ui, const CFeedDocument::RecordList& records,
                                 const QString& feedName, QWidget* parent)
    : QDialog(parent), m_ui(ui) {
    setObjectName(QStringLiteral("CCategoryMapDlg"));
    setWindowTitle(A("Category Map - ") + feedName);
    CCategoryTally tally;
    for (const COtherRecord& record : records) {
        tally.Add(record.Field(kColCategory));
    }
    m_categories = tally.Suggest(BuiltinCategories());

    auto* intro = new QLabel(
        A("Each category of the feed with the built-in category whose words come closest. Tick the rows "
          "the map should change, and correct a suggestion by typing over it."),
        this);
    intro->setWordWrap(true);
    m_table = new QTableWidget(static_cast<int>(m_categories.size()), 4, this);
    m_table->setObjectName(QStringLiteral("categoryTable"));
    m_table->setAccessibleName(A("Categories"));
    m_table->setHorizontalHeaderLabels({A("Use"), A("Category"), A("Products"), A("Becomes")});
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setSectionResizeMode(kCategory, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(kBecomes, QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    for (int row = 0; row < RowCount(); ++row) {
        const SourceCategory& c = m_categories[static_cast<std::size_t>(row)];
        auto* use = new QTableWidgetItem;
        use->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        // A suggestion is the merchant's to confirm; a path that is a built-in category needs no entry.
        use->setCheckState(Qt::Unchecked);
        m_table->setItem(row, kUse, use);
        auto* path = new QTableWidgetItem(FromCp1252(c.path));
        path->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_table->setItem(row, kCategory, path);
        auto* count = new QTableWidgetItem(QString::number(c.products));
        count->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, kProducts, count);
        auto* becomes = new QTableWidgetItem(FromCp1252(c.suggestion));
        if (c.known) {
            becomes->setToolTip(A("Already a built-in category"));
        }
        m_table->setItem(row, kBecomes, becomes);
    }
    m_table->resizeColumnToContents(kUse);
    m_table->resizeColumnToContents(kProducts);
    // Typing a category ticks its row.
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kBecomes && !item->text().trimmed().isEmpty()) {
            m_table->item(item->row(), kUse)->setCheckState(Qt::Checked);
        }
    });

    m_mistake = new QLabel(this);
    m_mistake->setObjectName(QStringLiteral("categoryMapMistake"));
    m_mistake->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCategoryMapDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_mistake);
    layout->addWidget(buttons);
    resize(760, 420);
}

void CCategoryMapDlg::accept() {
    RuleForm form;
    form.name = "Category map";
    form.action = "map";
    form.column = "category";
    for (int row = 0; row < RowCount(); ++row) {
        const QString becomes = m_table->item(row, kBecomes)->text().trimmed();
        if (m_table->item(row, kUse)->checkState() == Qt::Checked && !becomes.isEmpty()) {
            form.map.emplace_back(Cp1252ToUtf8(m_categories[static_cast<std::size_t>(row)].path),
                                  ToUtf8(becomes));
        }
    }
    if (form.map.empty()) {
        m_mistake->setText(A("Tick at least one category that becomes another."));
        m_ui.Beep();
        return;
    }
    m_text = FormatRuleText(form);
    QDialog::accept();
}

}  // namespace yarvelin
