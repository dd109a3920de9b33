#include "export/ui/inventory_report_qt.h"

#include <QBuffer>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "data/atomic_file.h"

namespace fiscora::qt {

const char kReportCredit[] = "Relatório emitido pelo Fiscora - conferência de arquivos fiscais";

namespace {

// Positions and sizes in hundredths of an inch.
constexpr int kRegionLeft = 16, kRegionTop = 17, kRegionWidth = 795, kRegionHeight = 1077;
constexpr int kHeadingBand = 120, kItemBand = 20, kTotalBand = 40;
constexpr int kFooterLeft = 15, kFooterTop = 1083;
constexpr int kPageWidth = 827;  // A4
constexpr int kPageNumberRight = kPageWidth - 30;
// Item lines a page holds below its heading band.
constexpr int kItemsPerPage = (kRegionHeight - kHeadingBand) / kItemBand;

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QFont Font(const QString& family, qreal points, bool bold = false, bool italic = false) {
  QFont f;
  f.setFamilies({family, QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  f.setPointSizeF(points);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

class Layout {
 public:
  Layout(QPainter& p, const InventoryReport& r)
      : p_(p),
        r_(r),
        dpi_(p.device()->logicalDpiY()),
        regular_(Font(QStringLiteral("Arial"), 10)),
        bold_(Font(QStringLiteral("Arial"), 10, true)),
        title_(Font(QStringLiteral("Arial Black"), 16, true)),
        credit_(Font(QStringLiteral("Arial"), 9, false, true)) {
    title_.setWeight(QFont::Black);
  }

  int Run(QPagedPaintDevice& device) {
    int page = 1;
    StartPage(page);
    int y = kRegionTop + kHeadingBand;
    const int bottom = kRegionTop + kRegionHeight;
    for (const InventoryReportItem& item : r_.items) {
      if (y + kItemBand > bottom) {
        device.newPage();
        StartPage(++page);
        y = kRegionTop + kHeadingBand;
      }
      Item(item, y);
      y += kItemBand;
    }
    if (y + kTotalBand > bottom) {
      device.newPage();
      StartPage(++page);
      y = kRegionTop + kHeadingBand;
    }
    Total(y);
    return page;
  }

 private:
  qreal D(int hundredths) const { return hundredths * dpi_ / 100.0; }
  QRectF Box(int left, int top, int width, int height) const {
    return QRectF(D(left), D(top), D(width), D(height));
  }
  // One line of text in a box; `clip` cuts what does not fit.
  void Text(int left, int top, int width, const QString& text, const QFont& font,
            Qt::Alignment align = Qt::AlignLeft, bool clip = false) {
    p_.setFont(font);
    const QRectF box = Box(left, top, width, 25);
    if (clip) p_.setClipRect(box);
    p_.drawText(box, static_cast<int>(align | Qt::AlignTop) | Qt::TextSingleLine, text);
    if (clip) p_.setClipping(false);
  }
  // A text that must print whole (a product code, the company's name): in a
  // smaller font when it is wider than its box (down to 60 % of the size).
  void WholeText(int left, int top, int width, const QString& text, const QFont& font) {
    QFont fitted = font;
    const qreal room = D(width);
    const qreal needed = QFontMetricsF(font, p_.device()).horizontalAdvance(text);
    if (needed > room)
      fitted.setPointSizeF(std::max(font.pointSizeF() * 0.6, font.pointSizeF() * room / needed));
    Text(left, top, width, text, fitted);
  }
  // A text that may be shortened: cut at the box's edge with "…".
  void ElidedText(int left, int top, int width, const QString& text, const QFont& font) {
    const QString shown =
        QFontMetricsF(font, p_.device()).elidedText(text.trimmed(), Qt::ElideRight, D(width));
    Text(left, top, width, shown, font, Qt::AlignLeft, true);
  }
  void Line(int left, int top, int length) {
    p_.setPen(QPen(Qt::black, dpi_ / 72.0));
    p_.drawLine(QPointF(D(left), D(top)), QPointF(D(left + length), D(top)));
  }

  void StartPage(int page) {
    // The page head: "Página N", Arial 10, ending 0.3 in from the right edge.
    Text(0, kRegionTop, kPageNumberRight, QStringLiteral("Página %1").arg(page), regular_,
         Qt::AlignRight);
    Heading();
    Footer();
  }

  void Heading() {
    const int l = kRegionLeft, t = kRegionTop;
    p_.setFont(title_);
    p_.drawText(Box(l + 319, t + 5, 170, 30), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                QStringLiteral("INVENTÁRIO"));
    Text(l + 10, t + 39, 95, QStringLiteral("EMPRESA:"), bold_);
    WholeText(l + 106, t + 39, 432, Q(r_.empresa), regular_);
    Text(l + 543, t + 39, 75, QStringLiteral("PERÍODO:"), bold_);
    Text(l + 618, t + 39, 173, Q(r_.periodo), regular_, Qt::AlignLeft, true);
    Text(l + 10, t + 60, 95, QStringLiteral("CNPJ:"), bold_);
    Text(l + 106, t + 60, 130, Q(r_.cnpj), regular_, Qt::AlignLeft, true);
    Text(l + 248, t + 60, 140, QStringLiteral("INSC. ESTADUAL:"), bold_);
    Text(l + 388, t + 60, 150, Q(r_.ie), regular_, Qt::AlignLeft, true);
    p_.setPen(QPen(Qt::black, dpi_ / 72.0));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(Box(l, t + 89, kRegionWidth, 30));
    const int ty = t + 99;
    Text(l + 7, ty, 85, QStringLiteral("CÓDIGO"), regular_);
    Text(l + 94, ty, 260, QStringLiteral("DESCRIÇÃO"), regular_);
    Text(l + 357, ty, 78, QStringLiteral("UNIDADE"), regular_);
    Text(l + 435, ty, 110, QStringLiteral("QUANTIDADE"), regular_);
    Text(l + 553, ty, 90, QStringLiteral("UNITÁRIO"), regular_, Qt::AlignRight);
    Text(l + 707, ty, 84, QStringLiteral("SUBTOTAL"), regular_, Qt::AlignRight);
  }

  void Item(const InventoryReportItem& item, int y) {
    const int l = kRegionLeft, t = y + 4;
    WholeText(l + 7, t, 85, Q(item.codigo), regular_);
    ElidedText(l + 94, t, 262, Q(item.descricao), regular_);
    Text(l + 374, t, 60, Q(item.unidade), regular_, Qt::AlignLeft, true);
    Text(l + 438, t, 80, Q(item.quantidade), regular_, Qt::AlignHCenter, true);
    Text(l + 542, t, 100, Q(item.unitario), regular_, Qt::AlignRight, true);
    Text(l + 664, t, 120, Q(item.valor), regular_, Qt::AlignRight, true);
  }

  void Total(int y) {
    const int l = kRegionLeft;
    Line(l + 2, y + 10, 792);
    Text(l + 520, y + 20, 165, QStringLiteral("Total do Inventário:"), bold_);
    Text(l + 685, y + 20, 100, Q(r_.total), bold_, Qt::AlignRight);
  }

  void Footer() {
    Line(kFooterLeft, kFooterTop + 13, 796);
    Text(kFooterLeft + 20, kFooterTop + 20, 700, QString::fromUtf8(kReportCredit), credit_);
  }

  QPainter& p_;
  const InventoryReport& r_;
  qreal dpi_;
  QFont regular_, bold_, title_, credit_;
};

// A4, portrait, no margins: the layout's inches are measured from the
// paper's corner.
void SetUpPage(QPagedPaintDevice& device) {
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(0, 0, 0, 0), QPageLayout::Point));
}

}  // namespace

int InventoryReportPages(size_t items) {
  const size_t per_page = static_cast<size_t>(kItemsPerPage);
  size_t pages = items == 0 ? 1 : (items + per_page - 1) / per_page;
  size_t last = items - (pages - 1) * per_page;
  if (kHeadingBand + static_cast<int>(last) * kItemBand + kTotalBand > kRegionHeight) ++pages;
  return static_cast<int>(pages);
}

int PaintInventoryReport(QPagedPaintDevice& device, const InventoryReport& report) {
  QPainter painter;
  if (!painter.begin(&device)) throw std::runtime_error("Não foi possível iniciar a impressão");
  painter.setRenderHint(QPainter::TextAntialiasing);
  Layout layout(painter, report);
  int pages = layout.Run(device);
  if (!painter.end()) throw std::runtime_error("A impressão não pôde ser concluída");
  return pages;
}

void WriteInventoryReportPdf(const InventoryReport& report, const std::filesystem::path& file) {
  RefuseOutputOverInputs(file, report.inputs);
  // The painter does not report a failed write to a file: the document is
  // made in memory and its bytes go through the atomic writer, which checks
  // every write.
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(600);
    writer.setTitle(QStringLiteral("Inventário"));
    writer.setCreator(QStringLiteral("Fiscora"));
    SetUpPage(writer);
    PaintInventoryReport(writer, report);
  }
  AtomicFile out(file);
  out.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  out.Commit();
}

void DialogReportPrinter::Print(const InventoryReport& report) {
  // Where the report goes: the report engine's "Output Options".
  QDialog options(parent_);
  options.setWindowTitle(QStringLiteral("Output Options"));
  options.setMinimumWidth(320);  // the whole title, not "Outpu… ptions"
  auto* layout = new QVBoxLayout(&options);
  layout->addWidget(new QLabel(QStringLiteral("Imprimir o inventário em:"), &options));
  auto* group = new QButtonGroup(&options);
  const QString captions[] = {QStringLiteral("Impressora"), QStringLiteral("Visualizar"),
                              QStringLiteral("Arquivo PDF")};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QRadioButton(captions[i], &options);
    b->setObjectName(QStringList{"rb_impressora", "rb_visualizar", "rb_pdf"}[i]);
    group->addButton(b, i);
    layout->addWidget(b);
  }
  group->button(0)->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &options);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &options, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &options, &QDialog::reject);
  layout->addWidget(buttons);
  if (options.exec() != QDialog::Accepted) return;

  const int choice = group->checkedId();
  if (choice == 2) {
    QString name = QFileDialog::getSaveFileName(
        parent_, QString(), QString::fromStdString(report.document_name) + QStringLiteral(".pdf"),
        QStringLiteral("PDF (*.pdf)"));
    if (name.isEmpty()) return;
    if (!name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) name += QStringLiteral(".pdf");
    PrintToPdf(report, std::filesystem::path(name.toStdU16String()));
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  printer.setDocName(QString::fromStdString(report.document_name));
  SetUpPage(printer);
  if (choice == 0) {
    QPrintDialog dialog(&printer, parent_);
    if (dialog.exec() != QDialog::Accepted) return;
    PaintInventoryReport(printer, report);
  } else {
    QPrintPreviewDialog preview(&printer, parent_);
    preview.setWindowTitle(QStringLiteral("Report Preview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report](QPrinter* p) { PaintInventoryReport(*p, report); });
    preview.exec();
  }
}

void DialogReportPrinter::PrintToPdf(const InventoryReport& report,
                                     const std::filesystem::path& file) {
  WriteInventoryReportPdf(report, file);
}

struct HeadlessReportPrinter::App {
  int argc = 1;
  char name[12] = "fiscora-cli";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QGuiApplication> app;
};

HeadlessReportPrinter::HeadlessReportPrinter() = default;

HeadlessReportPrinter::~HeadlessReportPrinter() { delete app_; }

void HeadlessReportPrinter::Print(const InventoryReport&) {
  throw std::runtime_error("Sem janela não há impressora a escolher; use um arquivo PDF");
}

void HeadlessReportPrinter::PrintToPdf(const InventoryReport& report,
                                       const std::filesystem::path& file) {
  if (!QCoreApplication::instance()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = new App;
    app_->app = std::make_unique<QGuiApplication>(app_->argc, app_->argv);
  }
  WriteInventoryReportPdf(report, file);
}

}  // namespace fiscora::qt
