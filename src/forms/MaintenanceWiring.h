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
//     FWiring->Bind(this, qryPerson, dbgPerson, &TfrmFamilyMember::qryPersonAfterScroll);
//
// The form's click handlers go by their names (sbAppendClick, sbSaveClick, sbCancelClick,
// sbDeleteClick, sbQuitClick) and its fill flag is FFillEnabled; a form whose handlers are
// private names the wiring its friend.
//
// While the query is edited or inserted into, 新增, 删除 and the grid are disabled. After-scroll
// reaches the form only while its fill flag is true: the form clears it (TFillPause) while it
// moves the query itself. Each handler runs guarded: an error is reported and the form goes on.
// The form declares its wiring after its query, so the grid lets go of the query first.
class TMaintenanceWiring {
public:
    TMaintenanceWiring(QWidget* form, QWidget* barPanel, const TButtonBarStyle& style);
    ~TMaintenanceWiring();
    TMaintenanceWiring(const TMaintenanceWiring&) = delete;
    TMaintenanceWiring& operator=(const TMaintenanceWiring&) = delete;

    const TButtonBar Bar;

    template <class Form>
    void Bind(Form* form, TQuery& query, TDBGrid* grid, void (Form::*afterScroll)()) {
        Join(query, grid, form->FFillEnabled,
             {.AfterScroll = [form, afterScroll] { (form->*afterScroll)(); },
              .Append = [form] { form->sbAppendClick(); },
              .Save = [form] { form->sbSaveClick(); },
              .Cancel = [form] { form->sbCancelClick(); },
              .Delete = [form] { form->sbDeleteClick(); },
              .Quit = [form] { form->sbQuitClick(); }});
    }

private:
    struct THandlers {
        std::function<void()> AfterScroll; // fills the edit area from the current row
        std::function<void()> Append, Save, Cancel, Delete, Quit;
    };

    void Join(TQuery& query, TDBGrid* grid, bool& fillEnabled, THandlers handlers);
    void StateChanged();

    QWidget* FForm;
    TQuery* FQuery = nullptr;
    TDBGrid* FGrid = nullptr;
};
