// The POSIX registry: the SQLite store in the prefix. Nothing is opened until the first call.
#include "platform/platform.h"
#include "platform/posix/prefix.h"
#include "platform/posix/registry_store.h"

namespace discsetup {

Registry& SystemRegistry() {
  static StoreRegistry registry(PrefixFolder());
  return registry;
}

}  // namespace discsetup
