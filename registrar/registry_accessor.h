// The registrar's registry accessor: a root key and at most one open current key, over the five
// registry functions. Every key is opened or created with full access. The destructor releases
// whatever is still open, so a failure in the middle of a step leaves no key open.
#pragma once

#include <string>

#include "platform/registry.h"

namespace discsetup {

class RegistryAccessor {
 public:
  explicit RegistryAccessor(Registry& registry) : registry_(registry) {}
  ~RegistryAccessor();
  RegistryAccessor(const RegistryAccessor&) = delete;
  RegistryAccessor& operator=(const RegistryAccessor&) = delete;

  // Later key paths are taken from `root`; a current key is closed.
  void SelectRoot(HKey root);

  // Creates every missing key along `key_path` and sets the text value `name` ("" for the
  // default value), replacing a value of any type. Raises ERegistryException "Failed to create
  // key <path>" or "Failed to set data for '<name>'". A key that was created but cannot be opened
  // is passed over silently.
  void WriteText(const std::string& key_path, const std::string& name, const std::string& text);

  // The text value `name`, up to its first NUL; the empty text when the key or the value is
  // missing or the value holds no data. Raises ERegistryException "Invalid data type for '<name>'"
  // for a non-empty value that is not a text, and "Failed to get data for '<name>'" when the value
  // changes between its size query and its data query.
  std::string ReadText(const std::string& key_path, const std::string& name);

  // Opens an existing key as the current key; false, creating nothing, when it cannot be opened.
  bool OpenExistingKey(const std::string& key_path);

  // Sets the binary value `name` of the current key. Raises "Failed to set data for '<name>'".
  void WriteBinary(const std::string& name, const std::string& bytes);

 private:
  void CloseCurrentKey();

  Registry& registry_;
  HKey root_ = kCurrentUser;
  HKey current_ = 0;
};

}  // namespace discsetup
