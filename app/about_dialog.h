#pragma once

class QWidget;

constexpr const char* kVersionText = "1.0.12";

void ShowAboutDialog(QWidget* owner);
