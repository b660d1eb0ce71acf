#include "widgets/dialog_parts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "platform/text_codec.h"
#include "widgets/animated_label.h"

namespace yarvelin {

CRememberedAlertControls MakeRememberedAlertControls(QWidget* parent) {
    CRememberedAlertControls c;
    c.dontShow = new QCheckBox(A("In the future, do not show this warning or ask again."), parent);
    c.dontShow->setObjectName(QStringLiteral("dontShowCheck"));
    c.yes = new QPushButton(A("Yes"), parent);
    c.yes->setObjectName(QStringLiteral("yesButton"));
    c.yes->setDefault(true);
    c.yes->setAutoDefault(true);
    c.no = new QPushButton(A("No"), parent);
    c.no->setObjectName(QStringLiteral("noButton"));
    c.no->setAutoDefault(false);
    return c;
}

void ConfigureReportTable(QTableView* table) {
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setMinimumSectionSize(8);
    table->horizontalHeader()->setHighlightSections(false);
}

QLineEdit* MakeLineEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QCheckBox* MakeCheckBox(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(A(text), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QPushButton* MakePushButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(A(text), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QLabel* MakeWrappedLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(A(text), parent);
    label->setWordWrap(true);
    return label;
}

int CGridRows::Add(QWidget* left, QWidget* field, int span, QWidget* extra, Qt::Alignment sideAlignment) {
    const int row = m_row++;
    if (left != nullptr) {
        m_grid->addWidget(left, row, 0, sideAlignment);
        // A caption beside a field names it: screen readers announce the field by it.
        auto* caption = qobject_cast<QLabel*>(left);
        const bool input =
            qobject_cast<QLabel*>(field) == nullptr && qobject_cast<QAbstractButton*>(field) == nullptr;
        if (caption != nullptr && input) {
            caption->setBuddy(field);
            // A drop-down list is announced by its entry unless it has a name of its own.
            if (qobject_cast<QComboBox*>(field) != nullptr && field->accessibleName().isEmpty()) {
                field->setAccessibleName(caption->text().remove(QLatin1Char('&')));
            }
        } else if (auto* painted = qobject_cast<CAnimatedLabel*>(left); painted != nullptr && input) {
            // A painted caption cannot be a buddy; the field takes its words, and says when it must be
            // filled in.
            field->setAccessibleName(painted->Text());
            if (painted->Text().contains(QStringLiteral("(*)"))) {
                field->setAccessibleDescription(QStringLiteral("Required"));
            }
        }
    }
    if (span == 1) {
        m_grid->addWidget(field, row, 1);
    } else {
        m_grid->addWidget(field, row, 1, 1, span);
    }
    if (extra != nullptr) {
        m_grid->addWidget(extra, row, 1 + span, sideAlignment);
    }
    return row;
}

}  // namespace yarvelin
