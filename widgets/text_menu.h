// The page text's property menu: "设置字号..." and "设置文字颜色..." for the selected text,
// from a right click in the select tool or the context-menu key.
#pragma once

// Installs the right-click menu the pointer dispatch shows over page text.
void InstallTextMenu();
// The context-menu key: the menu for the selected text at its rectangle's lower-left corner.
void ShowTextMenuFromKeyboard();
