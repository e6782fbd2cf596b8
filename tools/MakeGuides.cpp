// Build-time tool: renders the quick-start guides (Markdown text kept in
// docs/guides/) into the PDF manuals that the Manual button opens.
// Usage: MakeGuides IN.md OUT.pdf [IN.md OUT.pdf ...]
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 3 || argc % 2 != 1) {
    std::fprintf(stderr, "usage: MakeGuides IN.md OUT.pdf [...]\n");
    return 2;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    QFile in(QString::fromLocal8Bit(argv[i]));
    if (!in.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "MakeGuides: cannot read %s\n", argv[i]);
      return 1;
    }
    QTextDocument doc;
    doc.setMarkdown(QString::fromUtf8(in.readAll()));
    QPdfWriter pdf(QString::fromLocal8Bit(argv[i + 1]));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    pdf.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
    pdf.setCreator("Velmar");
    doc.print(&pdf);
  }
  return 0;
}
