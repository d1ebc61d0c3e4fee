#pragma once

// Clears a form's fill flag for the length of a step and sets it true again however the step is
// left, failures included, so the edit area always resumes following the grid.
class TFillPause {
public:
    explicit TFillPause(bool& flag) : FFlag(flag) { FFlag = false; }
    ~TFillPause() { FFlag = true; }
    TFillPause(const TFillPause&) = delete;
    TFillPause& operator=(const TFillPause&) = delete;

private:
    bool& FFlag;
};
