#include "forms/MaintenanceWiring.h"

#include "data/query/Query.h"
#include "platform/ErrorReport.h"
#include "widgets/grid/DBGrid.h"

#include <QPushButton>

TMaintenanceWiring::TMaintenanceWiring(QWidget* form, QWidget* barPanel,
                                       const TButtonBarStyle& style)
    : Bar(FillButtonBar(form, barPanel, style)), FForm(form) {}

TMaintenanceWiring::~TMaintenanceWiring() {
    if (!FQuery) return;
    FGrid->SetDataSet(nullptr);
    FQuery->AfterScroll = nullptr;
    FQuery->OnStateChange = nullptr;
}

void TMaintenanceWiring::Join(TQuery& query, TDBGrid* grid, bool& fillEnabled, THandlers handlers) {
    FQuery = &query;
    FGrid = grid;
    const std::pair<QPushButton*, std::function<void()>&> clicks[] = {
        {Bar.sbAppend, handlers.Append},
        {Bar.sbSave, handlers.Save},
        {Bar.sbCancel, handlers.Cancel},
        {Bar.sbDelete, handlers.Delete},
        {Bar.sbQuit, handlers.Quit}};
    for (auto& [button, handler] : clicks)
        QObject::connect(button, &QAbstractButton::clicked, FForm, Guarded(std::move(handler)));
    query.AfterScroll = [&fillEnabled, fill = std::move(handlers.AfterScroll)](TQuery&) {
        if (fillEnabled) RunGuarded([&fill] { fill(); });
    };
    query.OnStateChange = [this](TQuery&) { StateChanged(); };
    grid->SetDataSet(&query);
}

void TMaintenanceWiring::StateChanged() {
    const TDataSetState state = FQuery->State();
    const bool browsing = state != TDataSetState::Edit && state != TDataSetState::Insert;
    Bar.sbAppend->setEnabled(browsing);
    Bar.sbDelete->setEnabled(browsing);
    FGrid->setEnabled(browsing);
}
