// The command table. Menu items, accelerators, toolbar, panel and floating buttons and pop-up
// menus all end in one RouteCommand(id); every command the window knows is one row here, with
// its name, its identifier and what it may do to the document. No toolkit code: the page
// menu's model and the view's buttons name their commands from this table too.
#pragma once

// What a command may do to the open document. `Edits` runs inside an undo scope (snapshot
// before, kept when the document changed); `Views` opens, saves, prints, navigates, zooms,
// copies, undoes, redoes, scans or shows a dialog and never takes a snapshot.
enum class CommandEffect { Edits, Views };

// X(name, identifier, effect)
#define CORVAN_COMMANDS(X)                          \
  X(kCmdAbout, 104, Views)                          \
  X(kCmdExit, 105, Views)                           \
  X(kCmdFirstPage, 1100, Views)                     \
  X(kCmdPreviousPageButton, 1101, Views)            \
  X(kCmdJumpToPage, 1104, Views)                    \
  X(kCmdNextPageButton, 1105, Views)                \
  X(kCmdLastPage, 1106, Views)                      \
  X(kCmdNavigatorSelection, 1109, Views)            \
  X(kCmdMovePageUp, 1110, Edits)                    \
  X(kCmdMovePageDown, 1111, Edits)                  \
  X(kCmdToggleNavigator, 1120, Views)               \
  X(kCmdOpenButton, 1121, Views)                    \
  X(kCmdPenMenu, 1123, Edits)                       \
  X(kCmdEraseMenu, 1124, Edits)                     \
  X(kCmdZoomOutButton, 1125, Views)                 \
  X(kCmdZoomInButton, 1126, Views)                  \
  X(kCmdFitMenu, 1127, Views)                       \
  X(kCmdRotateLeftButton, 1128, Edits)              \
  X(kCmdRotateRightButton, 1129, Edits)             \
  X(kCmdSaveButton, 1130, Views)                    \
  X(kCmdFullScreenButton, 1131, Views)              \
  X(kCmdHandTool, 1132, Edits)                      \
  X(kCmdPenOptions, 1133, Edits)                    \
  X(kCmdEditMode, 1134, Edits)                      \
  X(kCmdTextButton, 1135, Edits)                    \
  X(kCmdInsertImage, 1136, Edits)                   \
  X(kCmdArrowTool, 1137, Edits)                     \
  X(kCmdSelectTool, 1138, Edits)                    \
  X(kCmdNewButton, 1139, Views)                     \
  X(kCmdOcr, 1141, Views)                           \
  X(kCmdDrawingMenuButton, 1142, Edits)             \
  X(kCmdFloatingFitPage, 1143, Views)               \
  X(kCmdFloatingDrawingMenu, 1144, Views)           \
  X(kCmdFloatingZoomIn, 1145, Views)                \
  X(kCmdFloatingZoomOut, 1146, Views)               \
  X(kCmdFloatingFullScreen, 1147, Views)            \
  X(kCmdSelectTextTool, 1148, Edits)                \
  X(kCmdHighlightText, 1149, Edits)                 \
  X(kCmdUnderlineText, 1150, Edits)                 \
  X(kCmdStrikeOutText, 1151, Edits)                 \
  X(kCmdDeleteTextMark, 1152, Edits)                \
  X(kCmdRecolourTextMark, 1153, Edits)              \
  X(kCmdOpen, 32771, Views)                         \
  X(kCmdSaveCopy, 32772, Views)                     \
  X(kCmdPreviousPage, 32773, Views)                 \
  X(kCmdNextPage, 32774, Views)                     \
  X(kCmdSegmentTool, 32775, Edits)                  \
  X(kCmdPenTool, 32776, Edits)                      \
  X(kCmdSelectErase, 32777, Edits)                  \
  X(kCmdZoomIn, 32778, Views)                       \
  X(kCmdZoomOut, 32779, Views)                      \
  X(kCmdFitPage, 32780, Views)                      \
  X(kCmdRotateLeft, 32781, Edits)                   \
  X(kCmdRotateRight, 32782, Edits)                  \
  X(kCmdMerge, 32783, Edits)                        \
  X(kCmdAddText, 32784, Edits)                      \
  X(kCmdObjectList, 32785, Edits)                   \
  X(kCmdNewDocument, 32786, Views)                  \
  X(kCmdPrint, 32787, Views)                        \
  X(kCmdAddWatermark, 32788, Edits)                 \
  X(kCmdRemoveWatermark, 32789, Edits)              \
  X(kCmdMergeAfterCurrent, 32790, Edits)            \
  X(kCmdDeletePage, 32791, Edits)                   \
  X(kCmdInsertBlankPage, 32792, Edits)              \
  X(kCmdRectangleTool, 32794, Edits)                \
  X(kCmdEllipseTool, 32795, Edits)                  \
  X(kCmdTriangleTool, 32796, Edits)                 \
  X(kCmdEraseAll, 32797, Edits)                     \
  X(kCmdPointTool, 32798, Edits)                    \
  X(kCmdFitWidth, 32799, Views)                     \
  X(kCmdBackgroundColour, 32800, Edits)             \
  X(kCmdCut, 32801, Edits)                          \
  X(kCmdCopy, 32802, Views)                         \
  X(kCmdPaste, 32803, Edits)                        \
  X(kCmdUndo, 32804, Views)                         \
  X(kCmdRedo, 32805, Views)                         \
  X(kCmdForceErase, 32806, Edits)                   \
  X(kCmdScan, 32807, Views)                         \
  X(kCmdCoordinateSystem, 32808, Edits)             \
  X(kCmdSaveCvn, 32809, Views)                      \
  X(kCmdScaleCoordinateUp, 55000, Edits)            \
  X(kCmdScaleCoordinateDown, 55001, Edits)          \
  X(kCmdStraightLine, 55002, Edits)                 \
  X(kCmdFixedLengthSegment, 55003, Edits)           \
  X(kCmdRay, 55004, Edits)                          \
  X(kCmdPolyline, 55005, Edits)                     \
  X(kCmdVector, 55006, Edits)                       \
  X(kCmdEqualVector, 55007, Edits)                  \
  X(kCmdRecentFirst, 55100, Views)                  \
  X(kCmdFind, 55200, Views)                         \
  X(kCmdFindNext, 55201, Views)                     \
  X(kCmdFindPrevious, 55202, Views)                 \
  X(kCmdShowFindMatch, 55203, Views)                \
  X(kCmdOutlineEntry, 55204, Views)                 \
  X(kCmdRecogniseAllPages, 55300, Edits)            \
  X(kCmdRecogniseCurrentPage, 55301, Edits)         \
  X(kCmdRecognisePageRange, 55302, Edits)           \
  X(kCmdRecentLast, 55109, Views)

enum CommandId : int {
#define CORVAN_COMMAND_ID(name, id, effect) name = id,
  CORVAN_COMMANDS(CORVAN_COMMAND_ID)
#undef CORVAN_COMMAND_ID
};

struct CommandInfo {
  int id;
  const char* name;
  CommandEffect effect;
};

inline constexpr CommandInfo kCommands[] = {
#define CORVAN_COMMAND_ROW(name, id, effect) {id, #name, CommandEffect::effect},
    CORVAN_COMMANDS(CORVAN_COMMAND_ROW)
#undef CORVAN_COMMAND_ROW
};

// The row of a command; the recent-document entries between kCmdRecentFirst and
// kCmdRecentLast share the first one's row. Null for an unknown identifier.
constexpr const CommandInfo* FindCommand(int id) {
  if (id > kCmdRecentFirst && id <= kCmdRecentLast) id = kCmdRecentFirst;
  for (const CommandInfo& command : kCommands) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

// Unknown identifiers count as editing: a snapshot too many costs time, one too few an edit.
constexpr bool IsNonEditingCommand(int id) {
  const CommandInfo* command = FindCommand(id);
  return command != nullptr && command->effect == CommandEffect::Views;
}
