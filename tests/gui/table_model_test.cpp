#include "app/model/table_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QSize>
#include <memory>

#include "data/client_table.h"
#include "data/display.h"
#include "data/money.h"

namespace fiscora::qt {
namespace {

// Warnings of the model tester, collected while a test runs.
QStringList* g_model_warnings = nullptr;
void CollectModelWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (g_model_warnings && type != QtDebugMsg && context.category &&
      QByteArray(context.category).startsWith("qt.modeltest"))
    g_model_warnings->append(text);
}

TableDef NotesDef() {
  TableDef t;
  t.name = "cds_teste";
  t.binding = "ds_teste";
  FieldDef numero = Int("numero");
  numero.title = "   Numero";
  FieldDef nome = Text("nome", 10);
  nome.title = "  Nome";
  nome.display_width = 12;
  FieldDef uf = Text("uf", 2);
  uf.centered = true;
  FieldDef hidden = Int("ntf");
  hidden.visible = false;
  FieldDef pct = Float("porcentagem");
  pct.format = "#'%'";
  t.fields = {numero, nome, uf, hidden, pct, Curr("valor")};
  return t;
}

class TableModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_model_warnings = &warnings_;
    previous_ = qInstallMessageHandler(CollectModelWarnings);
    table_ = std::make_unique<ClientTable>(NotesDef());
    model_ = std::make_unique<TableModel>(*table_);
    tester_ = std::make_unique<QAbstractItemModelTester>(
        model_.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
  }
  void TearDown() override {
    tester_.reset();
    model_.reset();
    qInstallMessageHandler(previous_);
    g_model_warnings = nullptr;
    EXPECT_TRUE(warnings_.isEmpty()) << warnings_.join('\n').toStdString();
  }

  void AddRow(int numero, const char* nome, double pct, Money valor) {
    table_->Append();
    table_->SetInteger(table_->FieldIndex("numero"), numero);
    table_->SetText(table_->FieldIndex("nome"), nome);
    table_->SetText(table_->FieldIndex("uf"), "PR");
    table_->SetFloat(table_->FieldIndex("porcentagem"), pct);
    table_->SetMoney(table_->FieldIndex("valor"), valor);
    table_->Post();
  }
  static void Pump() { QCoreApplication::sendPostedEvents(); }
  QString Cell(int row, int column) const {
    return model_->data(model_->index(row, column)).toString();
  }

  QStringList warnings_;
  QtMessageHandler previous_ = nullptr;
  std::unique_ptr<ClientTable> table_;
  std::unique_ptr<TableModel> model_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(TableModelTest, ColumnsAreTheVisibleFieldsWithTheirTitles) {
  ASSERT_EQ(model_->columnCount(), 5);  // ntf is hidden
  const char* titles[] = {"   Numero", "  Nome", "uf", "porcentagem", "valor"};
  for (int c = 0; c < 5; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(model_->headerData(c, Qt::Horizontal).toString().toStdString(), titles[c]);
  }
  EXPECT_EQ(model_->FieldOfColumn(3), table_->FieldIndex("porcentagem"));

  model_->SetMetrics(7, 15);
  // nome has a display width of 12 characters, porcentagem the float's 15.
  EXPECT_EQ(model_->headerData(1, Qt::Horizontal, Qt::SizeHintRole).toSize().width(), 12 * 7 + 8);
  EXPECT_EQ(model_->headerData(3, Qt::Horizontal, Qt::SizeHintRole).toSize().width(), 15 * 7 + 8);
}

TEST_F(TableModelTest, AlignmentIsCentredWhereSetElseByType) {
  AddRow(1, "Ana", 2.5, Money::FromUnits(3));
  Pump();
  const auto align = [this](int column) {
    return model_->data(model_->index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>() &
           Qt::AlignHorizontal_Mask;
  };
  EXPECT_EQ(align(0), Qt::AlignRight);    // integer
  EXPECT_EQ(align(1), Qt::AlignLeft);     // text
  EXPECT_EQ(align(2), Qt::AlignHCenter);  // centred text
  EXPECT_EQ(align(4), Qt::AlignRight);    // currency
}

TEST_F(TableModelTest, RowsAddedAtTheEndAreOneInsertion) {
  QSignalSpy inserted(model_.get(), &QAbstractItemModel::rowsInserted);
  QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
  AddRow(10, "Ana", 2.5, Money::FromRaw(12345000));
  AddRow(11, "Bruno", -1, Money::FromUnits(-7));
  AddRow(12, "Carla", 0.1, Money());
  EXPECT_EQ(model_->rowCount(), 0);  // not before the event loop runs
  Pump();
  EXPECT_EQ(model_->rowCount(), 3);
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(reset.count(), 0);

  // clang-format off
  const struct {
    int row, column;
    const char* text;
  } cells[] = {
      {0, 0, "10"},          {0, 1, "Ana"},         {0, 3, "3%"},
      {0, 4, "R$ 1.234,50"}, {1, 4, "R$-7,00"},     {2, 1, "Carla"},
  };
  // clang-format on
  for (const auto& c : cells) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Cell(c.row, c.column).toStdString(), c.text);
    EXPECT_EQ(Cell(c.row, c.column).toStdString(),
              DisplayText(*table_, table_->OrderedRows()[static_cast<size_t>(c.row)],
                          model_->FieldOfColumn(c.column)));
  }
}

TEST_F(TableModelTest, EmptyingResets) {
  AddRow(1, "Ana", 1, Money());
  AddRow(2, "Bruno", 1, Money());
  Pump();
  QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
  table_->EmptyDataSet();
  Pump();
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(model_->rowCount(), 0);
}

TEST_F(TableModelTest, ReorderingResetsAndShowsTheNewOrder) {
  AddRow(3, "Carla", 1, Money());
  AddRow(1, "Ana", 1, Money());
  AddRow(2, "Bruno", 1, Money());
  Pump();
  QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
  table_->SetIndexFieldNames("numero");
  Pump();
  EXPECT_EQ(reset.count(), 1);
  ASSERT_EQ(model_->rowCount(), 3);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("Ana"));
  EXPECT_EQ(Cell(2, 1), QStringLiteral("Carla"));
}

TEST_F(TableModelTest, DisabledBindingIsIgnoredUntilEnabled) {
  AddRow(1, "Ana", 1, Money());
  Pump();
  table_->binding()->SetEnabled(false);
  AddRow(2, "Bruno", 1, Money());
  AddRow(3, "Carla", 1, Money());
  Pump();
  EXPECT_EQ(model_->rowCount(), 1);

  QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
  table_->binding()->SetEnabled(true);
  Pump();
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(model_->rowCount(), 3);
}

TEST_F(TableModelTest, RowsGoneBeforeTheRefreshShowNothing) {
  AddRow(1, "Ana", 1, Money());
  AddRow(2, "Bruno", 1, Money());
  Pump();
  table_->EmptyDataSet();
  // The model still counts two rows until the queued refresh runs.
  ASSERT_EQ(model_->rowCount(), 2);
  EXPECT_EQ(Cell(1, 1), QString());
  EXPECT_FALSE(model_->RowIdAt(1).has_value());
  Pump();
  EXPECT_EQ(model_->rowCount(), 0);
}

TEST_F(TableModelTest, ChangedValuesKeepTheRows) {
  AddRow(1, "Ana", 1, Money());
  Pump();
  QSignalSpy changed(model_.get(), &QAbstractItemModel::dataChanged);
  QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
  table_->First();
  table_->Edit();
  table_->SetText(table_->FieldIndex("nome"), "Ana Maria");
  table_->Post();
  Pump();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(reset.count(), 0);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("Ana Maria"));
}

}  // namespace
}  // namespace fiscora::qt
