// Commands that enter and leave tool modes, with their status hints.
#pragma once

#include "view/tool_state.h"

void EnterSelect(const std::u16string& message = u"选取模式：拖动框选图形");
void ToggleHand();
// 选择文字: the page's words are selected and copied, nothing on the page changes.
void EnterSelectText();
void EnterPen();
void EnterArrow();
void EnterSelectErase();
// Asks for confirmation first; false when refused.
bool EnterForceErase();
void ToggleText();
void ToggleEdit();
// The chosen picture waits for the click that places it.
void EnterImagePlacement();
// The edit tool switched on directly (a placed picture is edited next).
void EnterEdit();
bool EnterGeometry(GeometryKind kind);
// 55002–55007; the fixed-length tool asks for its length first.
bool EnterLineTool(LineToolKind kind);
void ToggleOcrRegion();
// Any other command ends OCR area selection (its prompt goes with it).
void LeaveOcrRegion();
// Esc or a page change in a line tool: drop what was entered and return to Select.
void CancelLineTool(const std::u16string& message);
// The length dialog's parse: a decimal 0.01 … 1000 and nothing else.
bool ParseFixedLength(const std::u16string& text, double& value);
