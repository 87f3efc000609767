#include "tools/reg_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ascii.h"

namespace discsetup {

namespace {

const char kHexUpper[] = "0123456789ABCDEF";
const char kHexLower[] = "0123456789abcdef";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Dword(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::uint64_t LittleEndian(const std::string& bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) {
    value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  }
  return value;
}

std::string Hex(std::uint64_t value) {
  char buffer[24];
  snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

// A name or text between double quotes in a REGEDIT4 file.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

bool ParseKeyName(const std::string& text, KeyName* key) {
  struct Root {
    const char* name;
    const char* abbreviation;
    RegistryStore::KeyId id;
    bool classes;
  };
  static const Root kRoots[] = {
      {"HKEY_LOCAL_MACHINE", "HKLM", RegistryStore::kMachineRoot, false},
      {"HKEY_CURRENT_USER", "HKCU", RegistryStore::kUserRoot, false},
      {"HKEY_CLASSES_ROOT", "HKCR", RegistryStore::kMachineRoot, true},
  };
  const std::size_t slash = text.find('\\');
  const std::string root_name = UpperAscii(text.substr(0, slash));
  const std::string rest = slash == std::string::npos ? "" : text.substr(slash + 1);
  for (const Root& root : kRoots) {
    if (root_name != root.name && root_name != root.abbreviation) continue;
    *key = KeyName();
    key->root = root.id;
    if (root.classes) {
      key->parts = {"SOFTWARE", "Classes"};
      key->root_parts = 2;
    }
    std::vector<std::string> parts;
    if (SplitKeyPath(rest, &parts) != 0) return false;
    key->display = root.name;
    for (const std::string& part : parts) {
      key->parts.push_back(part);
      key->display += "\\" + part;
    }
    return true;
  }
  return false;
}

bool TypeFromName(const std::string& name, std::uint32_t* type) {
  for (std::uint32_t candidate : {kRegSz, kRegExpandSz, kRegBinary, kRegDword}) {
    if (name == TypeName(candidate)) {
      *type = candidate;
      return true;
    }
  }
  return false;
}

std::string TypeName(std::uint32_t type) {
  static const char* const kNames[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
  return Hex(type);
}

const char* EncodeData(std::uint32_t type, const std::string& text, bool given, std::string* data) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz: *data = text + '\0'; return nullptr;
    case kRegDword: {
      if (!given || text.empty())
        return "The option [/d] must be followed by a valid numeric value";
      const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
      const std::string digits = hex ? text.substr(2) : text;
      std::uint64_t value = 0;
      for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0 || (!hex && digit > 9)) {
          return "The option [/d] must be followed by a valid numeric value";
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return "The option [/d] must be followed by a valid numeric value";
      }
      *data = Dword(static_cast<std::uint32_t>(value));
      return nullptr;
    }
    case kRegBinary: {
      data->clear();
      // An odd count of digits reads as if led by a 0.
      const std::string digits = text.size() % 2 ? "0" + text : text;
      for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigit(digits[i]), low = HexDigit(digits[i + 1]);
        if (high < 0 || low < 0) {
          return "The option [/d] must be followed by a valid hexadecimal value";
        }
        *data += static_cast<char>(high * 16 + low);
      }
      return nullptr;
    }
    default: return "Unsupported registry data type";
  }
}

std::string QueryLine(const RegistryStore::Value& value) {
  const std::string& d = value.data;
  std::string shown;
  switch (value.type) {
    case kRegSz:
    case kRegExpandSz: shown = d.substr(0, d.find('\0')); break;
    case 7: {  // REG_MULTI_SZ: the strings joined by a written "\0"
      std::string rest = d;
      while (!rest.empty() && rest.back() == '\0') rest.pop_back();
      for (const char c : rest) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
      break;
    }
    case kRegDword:
    case 11:  // REG_QWORD
      if (d.size() == (value.type == kRegDword ? 4u : 8u)) {
        shown = Hex(LittleEndian(d));
        break;
      }
      // A number of the wrong size shows its bytes.
      [[fallthrough]];
    default:
      for (const char c : d) {
        shown += kHexUpper[(c >> 4) & 0xF];
        shown += kHexUpper[c & 0xF];
      }
  }
  return "    " + (value.name.empty() ? std::string("(Default)") : value.name) + "    " +
         TypeName(value.type) + "    " + shown + "\n";
}

std::string ExportValue(const RegistryStore::Value& value) {
  std::string line = value.name.empty() ? "@=" : Quoted(value.name) + "=";
  const std::string& d = value.data;
  // The text form holds a text with its one terminating NUL; anything else goes as bytes, so that
  // an import gives back exactly what was exported.
  if (value.type == kRegSz && !d.empty() && d.find('\0') == d.size() - 1) {
    return line + Quoted(d.substr(0, d.size() - 1)) + "\r\n";
  }
  if (value.type == kRegDword && d.size() == 4) {
    char number[16];
    snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(LittleEndian(d)));
    return line + number + "\r\n";
  }
  if (value.type == kRegBinary) {
    line += "hex:";
  } else {
    char prefix[24];
    snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    line += prefix;
  }
  // Wrapped as regedit wraps: a line is continued once it reaches 77 columns.
  std::size_t column = line.size();
  for (std::size_t i = 0; i < d.size(); ++i) {
    line += kHexLower[(d[i] >> 4) & 0xF];
    line += kHexLower[d[i] & 0xF];
    if (i + 1 < d.size()) {
      line += ',';
      column += 3;
      if (column >= 77) {
        line += "\\\r\n  ";
        column = 2;
      }
    }
  }
  return line + "\r\n";
}

namespace {

class Regedit4Reader {
 public:
  Regedit4Reader(const std::string& text, std::vector<ImportStep>* steps, std::string* problem)
      : steps_(steps), problem_(problem) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
      start = end + 1;
    }
  }

  bool Read() {
    if (!lines_.empty() && lines_[0].compare(0, 3, "\xEF\xBB\xBF") == 0) lines_[0].erase(0, 3);
    if (!lines_.empty() && lines_[0].compare(0, 2, "\xFF\xFE") == 0) {
      return Fail("the file is in the Unicode format; only REGEDIT4 files are read");
    }
    while (next_ < lines_.size() && Trim(lines_[next_]).empty()) ++next_;
    if (next_ >= lines_.size() || Trim(lines_[next_]) != "REGEDIT4") {
      return Fail("it does not begin with REGEDIT4");
    }
    ++next_;
    while (next_ < lines_.size()) {
      number_ = next_ + 1;
      const std::string line = Trim(lines_[next_++]);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        if (!KeyLine(line)) return false;
      } else if (line[0] == '"' || line[0] == '@') {
        if (!have_key_) return Fail("a value before any key");
        if (!ValueLine(line)) return false;
      } else {
        return Fail("neither a key nor a value");
      }
    }
    return true;
  }

 private:
  static std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
  }

  bool Fail(const std::string& why) {
    *problem_ = (number_ ? "line " + std::to_string(number_) + ": " : std::string()) + why;
    return false;
  }

  bool KeyLine(const std::string& line) {
    const std::size_t close = line.rfind(']');
    if (close == std::string::npos) return Fail("a key without its closing ]");
    const std::string rest = Trim(line.substr(close + 1));
    if (!rest.empty() && rest[0] != ';') return Fail("text after the key");
    ImportStep step{ImportStep::kKey, {}, "", 0, ""};
    std::string name = line.substr(1, close - 1);
    if (!name.empty() && name[0] == '-') {
      step.kind = ImportStep::kDeleteKey;
      name.erase(0, 1);
    }
    if (!ParseKeyName(name, &step.key)) return Fail("not a key name: " + name);
    have_key_ = true;
    steps_->push_back(step);
    return true;
  }

  // A quoted text at `pos`, escapes undone; `pos` moves past the closing quote.
  bool QuotedText(const std::string& line, std::size_t* pos, std::string* text) {
    text->clear();
    for (std::size_t i = *pos + 1; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '"') {
        *pos = i + 1;
        return true;
      }
      if (c == '\\' && i + 1 < line.size()) {
        const char e = line[++i];
        if (e == 'n')
          *text += '\n';
        else if (e == 'r')
          *text += '\r';
        else if (e == '\\' || e == '"')
          *text += e;
        else
          *text += std::string{c, e};
        continue;
      }
      *text += c;
    }
    return Fail("a text without its closing quote");
  }

  bool ValueLine(const std::string& line) {
    ImportStep step{ImportStep::kValue, {}, "", 0, ""};
    std::size_t pos = 1;
    if (line[0] == '"' && (pos = 0, !QuotedText(line, &pos, &step.name))) return false;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return Fail("a value name without =");
    const std::string data = Trim(line.substr(pos + 1));
    if (step.name.size() > RegistryStore::kMaxValueName) return Fail("a value name too long");

    if (data == "-") {
      step.kind = ImportStep::kDeleteValue;
    } else if (!data.empty() && data[0] == '"') {
      std::size_t end = 0;
      if (!QuotedText(data, &end, &step.data)) return false;
      if (!RestIsBlank(data.substr(end))) return Fail("text after the value");
      step.type = kRegSz;
      step.data += '\0';
    } else if (data.compare(0, 6, "dword:") == 0) {
      const std::string digits = Trim(data.substr(6));
      std::size_t count = 0;
      std::uint32_t value = 0;
      while (count < digits.size() && HexDigit(digits[count]) >= 0) {
        value = value * 16 + static_cast<std::uint32_t>(HexDigit(digits[count]));
        ++count;
      }
      if (count == 0 || count > 8 || !RestIsBlank(digits.substr(count))) {
        return Fail("a dword that is not 1 to 8 hex digits");
      }
      step.type = kRegDword;
      step.data = Dword(value);
    } else if (data.compare(0, 3, "hex") == 0) {
      std::size_t colon = data.find(':');
      if (colon == std::string::npos) return Fail("hex data without :");
      const std::string kind = data.substr(3, colon - 3);
      if (kind.empty()) {
        step.type = kRegBinary;
      } else {
        if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')') {
          return Fail("not a hex type: hex" + kind);
        }
        std::uint64_t type = 0;
        for (std::size_t i = 1; i + 1 < kind.size(); ++i) {
          const int digit = HexDigit(kind[i]);
          if (digit < 0 || type > 0xFFFFFFFu) return Fail("not a hex type: hex" + kind);
          type = type * 16 + static_cast<std::uint64_t>(digit);
        }
        step.type = static_cast<std::uint32_t>(type);
      }
      if (!HexBytes(data.substr(colon + 1), &step.data)) return false;
    } else {
      return Fail("data of an unknown form");
    }
    steps_->push_back(step);
    return true;
  }

  static bool RestIsBlank(const std::string& rest) {
    const std::string trimmed = Trim(rest);
    return trimmed.empty() || trimmed[0] == ';';
  }

  // Comma-separated bytes, continued on the next line after a final "\".
  bool HexBytes(std::string text, std::string* bytes) {
    for (;;) {
      text = Trim(text);
      bool more = false;
      if (!text.empty() && text.back() == '\\') {
        more = true;
        text.pop_back();
      }
      std::size_t i = 0;
      while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        if (text[i] == ';') break;
        int value = 0, digits = 0;
        while (i < text.size() && HexDigit(text[i]) >= 0 && digits < 3) {
          value = value * 16 + HexDigit(text[i++]);
          ++digits;
        }
        if (digits == 0 || digits > 2) return Fail("not a hex byte");
        *bytes += static_cast<char>(value);
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size() && text[i] == ',') {
          ++i;
        } else if (i < text.size() && text[i] != ';') {
          return Fail("hex bytes must be separated by commas");
        }
      }
      if (!more) return true;
      if (next_ >= lines_.size()) return Fail("hex data continued past the end of the file");
      number_ = next_ + 1;
      text = lines_[next_++];
    }
  }

  std::vector<std::string> lines_;
  std::vector<ImportStep>* steps_;
  std::string* problem_;
  std::size_t next_ = 0;
  std::size_t number_ = 0;
  bool have_key_ = false;
};

}  // namespace

bool ParseRegedit4(const std::string& text, std::vector<ImportStep>* steps, std::string* problem) {
  steps->clear();
  return Regedit4Reader(text, steps, problem).Read();
}

}  // namespace discsetup
