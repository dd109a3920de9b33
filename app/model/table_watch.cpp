#include "app/model/table_watch.h"

#include <set>
#include <vector>

namespace fiscora::qt {

namespace {

bool frozen = false;
// Watches whose report waits for the thaw.
std::set<TableWatch*>& Withheld() {
  static std::set<TableWatch*> watches;
  return watches;
}

unsigned Bit(TableChange change) {
  switch (change) {
    case TableChange::kRowsAdded:
      return TableWatch::kRowsAdded;
    case TableChange::kDataChanged:
      return TableWatch::kDataChanged;
    case TableChange::kReset:
      return TableWatch::kReset;
    case TableChange::kCurrent:
      return TableWatch::kCurrent;
  }
  return TableWatch::kReset;
}

}  // namespace

TableWatch::TableWatch(ClientTable& table, QObject* parent) : QObject(parent), table_(table) {
  if (DataSource* ds = table_.binding()) ds->AddObserver(this);
}

TableWatch::~TableWatch() {
  if (DataSource* ds = table_.binding()) ds->RemoveObserver(this);
  Withheld().erase(this);
}

void TableWatch::SetFrozen(bool freeze) {
  frozen = freeze;
  if (freeze) return;
  const std::vector<TableWatch*> watches(Withheld().begin(), Withheld().end());
  Withheld().clear();
  for (TableWatch* w : watches) w->Deliver();
}

void TableWatch::TableChanged(const ClientTable&, TableChange change) {
  // Only the first notification since the last delivery posts a call.
  if (pending_.fetch_or(Bit(change)) == 0)
    QMetaObject::invokeMethod(this, &TableWatch::Deliver, Qt::QueuedConnection);
}

void TableWatch::Deliver() {
  if (frozen) {
    Withheld().insert(this);
    return;
  }
  unsigned changes = pending_.exchange(0);
  if (changes != 0) emit changed(changes);
}

}  // namespace fiscora::qt
