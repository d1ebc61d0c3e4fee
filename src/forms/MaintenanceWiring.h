#pragma once

#include "forms/ButtonBar.h"

#include <functional>

class QWidget;
class TDBGrid;
class TQuery;

// What the maintenance forms (the entry forms, the members, the categories) share: the button
// bar, the grid over the updatable query, the query's events joined to the form's handlers, and
// the unbinding when the form goes.
//
// A form holds one, made while it lays out its bar, and binds it once its grid exists:
//
//     FWiring = std::make_unique<TMaintenanceWiring>(this, Panel8, TButtonBarStyle{...});
//     ...
//     FWiring->Bind(qryPerson, dbgPerson, FFillEnabled,
//                   {.AfterScroll = [this] { qryPersonAfterScroll(); }, .Append = ..., ...});
//
// While the query is edited or inserted into, 新增, 删除 and the grid are disabled. After-scroll
// reaches the form only while its fill flag is true: the form clears it (TFillPause) while it
// moves the query itself. Each handler runs guarded: an error is reported and the form goes on.
// The form declares its wiring after its query, so the grid lets go of the query first.
class TMaintenanceWiring {
public:
    struct THandlers {
        std::function<void()> AfterScroll; // fills the edit area from the current row
        std::function<void()> Append, Save, Cancel, Delete, Quit;
    };

    TMaintenanceWiring(QWidget* form, QWidget* barPanel, const TButtonBarStyle& style);
    ~TMaintenanceWiring();
    TMaintenanceWiring(const TMaintenanceWiring&) = delete;
    TMaintenanceWiring& operator=(const TMaintenanceWiring&) = delete;

    const TButtonBar Bar;

    void Bind(TQuery& query, TDBGrid* grid, bool& fillEnabled, THandlers handlers);

private:
    void StateChanged();

    QWidget* FForm;
    TQuery* FQuery = nullptr;
    TDBGrid* FGrid = nullptr;
};
