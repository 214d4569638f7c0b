// Renders the top of a page as it reads, for the docs: the README (Markdown) or the help
// page (HTML), with its pictures, at a given width:
//   screenshot_page INPUT OUTPUT.png [width height]
// A name ending in .md is read as Markdown, anything else as HTML; pictures are found
// beside the input. Exit status 2 when the input cannot be read or the PNG not written.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTextBrowser>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 && args.size() != 4) {
        std::fprintf(stderr, "usage: screenshot_page INPUT OUTPUT.png [width height]\n");
        return 2;
    }
    QFile input(args.at(0));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(0)));
        return 2;
    }
    const QString text = QString::fromUtf8(input.readAll());
    const int width = args.size() == 4 ? args.at(2).toInt() : 900;
    const int height = args.size() == 4 ? args.at(3).toInt() : 1100;

    QTextBrowser page;
    page.setSearchPaths({QFileInfo(args.at(0)).absolutePath()});
    page.setFrameShape(QFrame::NoFrame);
    page.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page.resize(width, height);
    if (args.at(0).endsWith(QLatin1String(".md")))
        page.setMarkdown(text);
    else
        page.setHtml(text);
    page.document()->setTextWidth(width);
    // The layout is otherwise finished a piece at a time, in the event loop.
    page.document()->pageCount();
    QCoreApplication::processEvents();
    if (!page.grab().save(args.at(1), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 2;
    }
    return 0;
}
