// What edits built over the native line editor (TEdit) need beyond it: room
// kept free at the right for an embedded button, the text alignment, and a
// painter that draws the edit's face while it has no focus (a numeric edit
// shows its display picture there).
#pragma once

#include <functional>

#include "platform/forms/StdCtrls.h"

/// Keeps `right` pixels free at the edit's right edge (and `left` at its left).
void SetEditTextMargins(TEdit* edit, int left, int right);
/// The alignment of the edit's text.
void SetEditAlignment(TEdit* edit, TAlignment alignment);
/// While the edit has no keyboard focus, `painter` draws its whole client
/// area through a device context instead of the native editor (an empty
/// painter gives the native look back).
using TEditFacePainter = std::function<void(HDC dc, const TRect& client)>;
void SetEditUnfocusedPainter(TEdit* edit, TEditFacePainter painter);
/// Draws the unfocused face into a bitmap-sized DC (tests): false without a
/// painter.
bool PaintEditFace(TEdit* edit, HDC dc);
