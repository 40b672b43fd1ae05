#include "clsGenericDB.h"

namespace zmt {

TGenericDB* GenericDB = nullptr;

TGenericDB::TGenericDB(TADOConnection& Connection)
    : Query(std::make_unique<TADOQuery>()), Connection(&Connection) {
  Query->SetConnection(&Connection);
}

}  // namespace zmt
