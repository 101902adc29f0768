// The printer seam on Qt: QPrintDialog with the duplex check box, and a QPrinter job.
#pragma once

class QString;
class QWidget;

void InstallQtPrinter(QWidget* owner);
// Sends every later job into a PDF file at the given resolution (tests, machines without a queue).
void PrintIntoPdfFile(const QString& path, int dotsPerInch);
// Sends every later job to the named print queue, as the dialog would after choosing it.
void PrintOnQueue(const QString& name);
