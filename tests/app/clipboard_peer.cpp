// Another program on the same X display, for the clipboard tests:
//   clipboard_peer offer <type> <file>  puts the file's bytes on the clipboard under the MIME
//                                       type, prints "ready" and keeps them there until its
//                                       standard input closes;
//   clipboard_peer read <folder>         prints the clipboard's MIME types, one a line, and
//                                       writes the bytes of each into the folder ('/' → '_').
#include <QByteArray>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  QStringList args = application.arguments();
  if (args.size() == 4 && args[1] == "offer") {
    QFile file(args[3]);
    if (!file.open(QIODevice::ReadOnly)) return 2;
    auto* data = new QMimeData;
    data->setData(args[2], file.readAll());
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
      char buffer[64];
      if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) application.quit();
    });
    QTimer::singleShot(60000, &application, &QGuiApplication::quit);
    return application.exec();
  }
  if (args.size() == 3 && args[1] == "read") {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr) return 3;
    for (const QString& type : data->formats()) {
      std::printf("%s\n", qPrintable(type));
      QFile out(args[2] + "/" + QString(type).replace('/', '_'));
      if (out.open(QIODevice::WriteOnly)) out.write(data->data(type));
    }
    return 0;
  }
  return 1;
}
