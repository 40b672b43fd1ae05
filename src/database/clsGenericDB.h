// A generic database object: a query bound to a given connection.
#pragma once

#include <memory>

#include "clsAdoComponents.h"

namespace zmt {

class TGenericDB {
 public:
  explicit TGenericDB(TADOConnection& Connection);
  TGenericDB(const TGenericDB&) = delete;
  TGenericDB& operator=(const TGenericDB&) = delete;

  std::unique_ptr<TADOQuery> Query;
  TADOConnection* Connection;  // not owned
};

// The live generic database object; set and freed by the plug-in, before the data module.
extern TGenericDB* GenericDB;

}  // namespace zmt
