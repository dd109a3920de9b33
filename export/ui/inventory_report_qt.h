// The printed inventory report on Qt Print Support: A4 pages laid out in
// inches (heading band repeated on every page, item lines, the total band
// after the last item, the footer line and "Página N" on every page), the
// window's printer (choice of printer, preview or PDF file) and the headless
// PDF printer of fiscora-cli.
#pragma once

#include <QString>
#include <filesystem>

#include "export/inventory_report.h"

class QPagedPaintDevice;
class QWidget;

namespace fiscora::qt {

// The credit line of the page footer.
extern const char kReportCredit[];

// Paints the whole report on the device, one page after another (the device
// must be set to A4 with no margins). Returns the number of pages.
int PaintInventoryReport(QPagedPaintDevice& device, const InventoryReport& report);

// The number of pages the report takes (1 with no items).
int InventoryReportPages(size_t items);

// Writes the report as an A4 PDF file, atomically (temporary file in the
// target's folder, then renamed over it). Needs a QGuiApplication.
void WriteInventoryReportPdf(const InventoryReport& report, const std::filesystem::path& file);

// The window's printer: "Imprimir" asks where the report goes ("Output
// Options": printer, preview or PDF file), then shows the print dialog, the
// preview ("Report Preview") or a save dialog for the PDF.
class DialogReportPrinter : public ReportPrinter {
 public:
  explicit DialogReportPrinter(QWidget* parent) : parent_(parent) {}
  void Print(const InventoryReport& report) override;
  void PrintToPdf(const InventoryReport& report, const std::filesystem::path& file) override;

 private:
  QWidget* parent_;
};

// fiscora-cli's printer: PDF files only. On first use without a Qt
// application it makes a QGuiApplication on the "offscreen" platform (unless
// QT_QPA_PLATFORM names another), so no display is needed.
class HeadlessReportPrinter : public ReportPrinter {
 public:
  HeadlessReportPrinter();
  ~HeadlessReportPrinter() override;
  void Print(const InventoryReport& report) override;  // throws: no user to ask
  void PrintToPdf(const InventoryReport& report, const std::filesystem::path& file) override;

 private:
  struct App;
  App* app_ = nullptr;
};

}  // namespace fiscora::qt
