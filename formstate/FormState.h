// The form-state library: start, end, and a map of its modules.
//
//   StrUtils.h       text helpers: replace, strip, words, fields, XOR coding
//   VisUtils.h       integer bounds, screen fitting, caption shortening,
//                    parent background, disabled glyphs, the beep
//   FileUtil.h       folders, paths, the safe chunked copy, file operations,
//                    the folder dialog, progress properties
//   SettingsStore.h  the ini/registry store, default names, placement keys
//   PropStorage.h    published properties as keys of a section
//   UxHook.h         window message hooks
//   Placement.h      TFormPlacement, TFormStorage, stored values
//   UxCtrls.h        TUxButtonGlyph with the glyph cache, TUxSpeedButton
//   ComboEdits.h     TCustomComboEdit, TEditButton, TDirectoryEdit
//   EditGlyphs.h     the edit buttons' artwork
//   NumericEdits.h   TCustomNumEdit, TCurrencyEdit
//   OrxUtils.h       locate objects, clone data sets (no engine)
//   IconClipboard.h  the "Tarvex Icon" clipboard format
//   GridBitmaps.h    the grid module's bitmap slots
//   FsGuards.h       scoped cleanup used inside the library
//   Registration.cpp published properties and creatable classes
#pragma once

/// After the application object: the hand cursors, the classes, the locate
/// hook, the icon clipboard format and the hook list.
void FormStateInit();
/// Before the application object goes, in reverse: the hook list, the
/// glyph and bitmap caches, the clipboard format, the locate hook, the
/// registry company key.
void FormStateDone();
/// FormStateDone then FormStateInit: a clean state for tests.
void FormStateResetForTests();
