// Turns Velmora's Markdown manual into the PDF that Help / User Manual
// opens.  Run at build time:
//     velmora-makemanual MANUAL.md OUTPUT.pdf [PREVIEW_FOLDER]
// Pictures named in the manual are read relative to the manual's folder and
// shrunk to the page width when they are wider.  With a preview folder each
// page is also written there as page-N.png, for a look without a PDF viewer.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <cstdio>

namespace {

// Loads every picture the text names into the document, keyed by the name
// as written, so that nothing depends on where the build runs.
bool addPictures(QTextDocument& doc, const QString& text, const QDir& base)
{
    static const QRegularExpression picture(QStringLiteral("!\\[[^\\]]*\\]\\(([^)\\s]+)\\)"));
    bool ok = true;
    for (auto it = picture.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured(1);
        QImage image(base.filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "makemanual: cannot read picture %s\n", qPrintable(base.filePath(name)));
            ok = false;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }
    return ok;
}

// Pictures wider than the text are drawn at the text's width.
void fitPictures(QTextDocument& doc, qreal maxWidth)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
            if (image.isNull() || image.width() <= maxWidth)
                continue;
            format.setWidth(maxWidth);
            format.setHeight(maxWidth * image.height() / image.width());
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

void writePreview(QTextDocument& doc, const QDir& folder)
{
    folder.mkpath(QStringLiteral("."));
    const QSizeF page = doc.pageSize();
    for (int n = 0; n < doc.pageCount(); ++n) {
        QImage image(page.toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(0, -n * page.height());
        doc.drawContents(&painter, QRectF(0, n * page.height(), page.width(), page.height()));
        painter.end();
        image.save(folder.filePath(QStringLiteral("page-%1.png").arg(n + 1)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: velmora-makemanual MANUAL.md OUTPUT.pdf [PREVIEW_FOLDER]\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString text = QString::fromUtf8(in.readAll());

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("Velmora User Manual"));
    pdf.setCreator(QStringLiteral("Velmora"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    pdf.setResolution(96);

    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    doc.setMarkdown(text);   // clears the resources: pictures come after
    if (!addPictures(doc, text, QFileInfo(in).absoluteDir()))
        return 1;
    const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    doc.setPageSize(page.size());
    fitPictures(doc, page.width() - 2 * doc.documentMargin());
    doc.print(&pdf);
    if (argc == 4)
        writePreview(doc, QDir(QString::fromLocal8Bit(argv[3])));
    return 0;
}
