// Watches a table's display binding and reports its changes on the thread of
// this object, coalesced: however many notifications arrive before the
// event loop runs, one Changed signal carries them all. Notifications may
// come from any thread (the audit loaders fill tables on worker threads).
#pragma once

#include <QObject>
#include <atomic>

#include "data/client_table.h"

namespace fiscora::qt {

class TableWatch : public QObject, private TableObserver {
  Q_OBJECT

 public:
  // Bits of the Changed signal.
  enum Change : unsigned {
    kRowsAdded = 1u << 0,
    kDataChanged = 1u << 1,
    kReset = 1u << 2,
    kCurrent = 1u << 3,
  };

  // The table must outlive the watch. A table without a binding is never
  // reported on.
  explicit TableWatch(ClientTable& table, QObject* parent = nullptr);
  ~TableWatch() override;

  ClientTable& table() const { return table_; }

  // While frozen (an audit loader fills tables on its worker thread), no
  // watch reports: the changes are kept and reported when thawed, so that no
  // view reads a table while it is written. GUI thread only.
  static void SetFrozen(bool frozen);

 signals:
  void changed(unsigned changes);

 private:
  void TableChanged(const ClientTable& table, TableChange change) override;
  void Deliver();

  ClientTable& table_;
  std::atomic<unsigned> pending_{0};
};

}  // namespace fiscora::qt
