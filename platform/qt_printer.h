// The printer seam on Qt: QPrintDialog with the duplex check box, and a QPrinter job.
#pragma once

class QString;
class QWidget;

void InstallQtPrinter(QWidget* owner);
// Sends every later job into a PDF file at the given resolution (tests, machines without a queue).
void PrintIntoPdfFile(const QString& path, int dotsPerInch);
