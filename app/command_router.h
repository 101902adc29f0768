// Every command identifier — menu, accelerator, toolbar, pop-up, panel button — ends here.
#pragma once

// Routes one command. Commands that may edit are wrapped for undo: a snapshot before, an
// undo record after when the document changed.
void RouteCommand(int id);
