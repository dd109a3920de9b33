#include "app/model/table_watch.h"

namespace fiscora::qt {

namespace {

unsigned Bit(TableChange change) {
  switch (change) {
    case TableChange::kRowsAdded: return TableWatch::kRowsAdded;
    case TableChange::kDataChanged: return TableWatch::kDataChanged;
    case TableChange::kReset: return TableWatch::kReset;
    case TableChange::kCurrent: return TableWatch::kCurrent;
  }
  return TableWatch::kReset;
}

}  // namespace

TableWatch::TableWatch(ClientTable& table, QObject* parent) : QObject(parent), table_(table) {
  if (DataSource* ds = table_.binding()) ds->AddObserver(this);
}

TableWatch::~TableWatch() {
  if (DataSource* ds = table_.binding()) ds->RemoveObserver(this);
}

void TableWatch::TableChanged(const ClientTable&, TableChange change) {
  // Only the first notification since the last delivery posts a call.
  if (pending_.fetch_or(Bit(change)) == 0)
    QMetaObject::invokeMethod(this, &TableWatch::Deliver, Qt::QueuedConnection);
}

void TableWatch::Deliver() {
  unsigned changes = pending_.exchange(0);
  if (changes != 0) emit Changed(changes);
}

}  // namespace fiscora::qt
