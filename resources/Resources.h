#pragma once

// Registers the pictures and the skin compiled into pv_resources (":/images/...", ":/skin/...").
// The program and every test that shows a form call it once before reading a resource, so a
// static link never leaves the resources out.
void InitPennyvaleResources();
