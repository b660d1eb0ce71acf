#include "widgets/dialog_parts.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "platform/text_codec.h"

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

}  // namespace yarvelin
