#include "platform/emulated/reg_file.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/emulated/code_page.h"

namespace dorvix {
namespace emulated {

namespace {

const char* const kRootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

// As in the Windows registry, a key lies at most 512 levels below its root.
// Deeper paths are refused: the tree is freed key by key, and so deep a
// nesting would exhaust the stack.
constexpr size_t kMaxKeyDepth = 512;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

void Reindex(RegKey& key) {
  key.value_slots.clear();
  for (size_t i = 0; i < key.values.size(); ++i) key.value_slots.Add(key.values[i].name, i);
  key.subkey_slots.clear();
  for (size_t i = 0; i < key.subkeys.size(); ++i) {
    key.subkey_slots.Add(key.subkeys[i]->name, i);
  }
}

}  // namespace

uint32_t NameIndex::Hash(const std::string& name) {
  // FNV-1a over the capitals, its bits then mixed so that the low ones,
  // which pick the entry, depend on every byte.
  uint32_t hash = 2166136261u;
  const unsigned char* const end =
      reinterpret_cast<const unsigned char*>(name.data()) + name.size();
  for (const unsigned char* byte = end - name.size(); byte != end; ++byte) {
    hash = (hash ^ kCp1252Capitals.of[*byte]) * 16777619u;
  }
  hash ^= hash >> 16;
  hash *= 0x7feb352du;
  hash ^= hash >> 15;
  hash *= 0x846ca68bu;
  return hash ^ (hash >> 16);
}

void NameIndex::Insert(Entry entry) {
  const size_t mask = entries_.size() - 1;
  size_t i = entry.hash & mask;
  while (entries_[i].place != kFree) i = (i + 1) & mask;
  entries_[i] = entry;
}

void NameIndex::Grow() {
  std::vector<Entry> old(entries_.empty() ? 8 : 2 * entries_.size(), Entry{0, kFree});
  old.swap(entries_);
  for (const Entry& entry : old) {
    if (entry.place != kFree) Insert(entry);
  }
}

void NameIndex::Add(const std::string& name, size_t place) {
  if (2 * (size_ + 1) > entries_.size()) Grow();
  Insert(Entry{Hash(name), static_cast<uint32_t>(place)});
  ++size_;
}

void NameIndex::Remove(const std::string& name, size_t place) {
  const uint32_t hash = Hash(name);
  const size_t mask = entries_.size() - 1;
  size_t hole = hash & mask;
  while (entries_[hole].place != place) {
    if (entries_[hole].place == kFree) return;  // not held there
    hole = (hole + 1) & mask;
  }
  // Each entry after the hole, up to a free one, moves into the hole unless
  // its own first choice lies between the hole and it: then a search for it
  // still finds it where it is.
  for (size_t i = (hole + 1) & mask; entries_[i].place != kFree; i = (i + 1) & mask) {
    const size_t home = entries_[i].hash & mask;
    const bool stays = hole < i ? (hole < home && home <= i) : (hole < home || home <= i);
    if (!stays) {
      entries_[hole] = entries_[i];
      hole = i;
    }
  }
  entries_[hole].place = kFree;
  --size_;
}

void NameIndex::clear() {
  entries_.clear();
  size_ = 0;
}

size_t RegKey::ValuePlace(const std::string& value_name) const {
  return value_slots.Find(value_name,
                          [this](size_t place) -> const std::string& { return values[place].name; });
}

size_t RegKey::SubkeyPlace(const std::string& subkey_name) const {
  return subkey_slots.Find(
      subkey_name, [this](size_t place) -> const std::string& { return subkeys[place]->name; });
}

size_t RegKey::IndexValue(const std::string& value_name, size_t new_place) {
  return value_slots.FindOrAdd(value_name, new_place,
                               [this](size_t place) -> const std::string& { return values[place].name; });
}

const RegValue* RegKey::FindValue(const std::string& value_name) const {
  const size_t place = ValuePlace(value_name);
  return place == NameIndex::kNone ? nullptr : &values[place];
}

RegKey* RegKey::FindSubkey(const std::string& subkey_name) const {
  const size_t place = SubkeyPlace(subkey_name);
  return place == NameIndex::kNone ? nullptr : subkeys[place].get();
}

// Reads a file line by line. A line is the bytes up to LF, a CR before the LF
// excluded; only hex data continues over several lines.
class RegFileParser {
 public:
  explicit RegFileParser(RegFile& file) : file_(file), text_(file.text_) {}

  void Parse() {
    if (std::memchr(text_.data(), '\0', text_.size()) != nullptr) {
      const size_t at = text_.find('\0');
      throw RegFileError{LineNumberAt(at), "the file holds a NUL byte"};
    }
    NextLine();
    if (!has_line_ || TrimRight(Line()) != "REGEDIT4") {
      throw RegFileError{1, "the file does not begin with the line REGEDIT4"};
    }
    if (line_end_ > line_begin_ && text_[line_end_ - 1] == '\r') {
      file_.line_end_ = "\r\n";
    } else {
      file_.line_end_ = "\n";
    }
    while (NextLine()) ParseLine();
    for (const RegFile::Root& root : file_.roots_) DropRemoved(*root.key);
  }

 private:
  static std::string TrimRight(std::string s) {
    while (!s.empty() && IsSpace(s.back())) s.pop_back();
    return s;
  }

  size_t LineNumberAt(size_t offset) const {
    return 1 + static_cast<size_t>(
                   std::count(text_.begin(), text_.begin() + offset, '\n'));
  }

  // Moves to the next physical line; false at the end of the text.
  bool NextLine() {
    if (next_ >= text_.size()) {
      has_line_ = false;
      return false;
    }
    ++line_number_;
    line_begin_ = next_;
    const size_t lf = text_.find('\n', next_);
    if (lf == std::string::npos) {
      line_end_ = text_.size();
      next_ = text_.size();
    } else {
      line_end_ = lf;
      next_ = lf + 1;
    }
    content_end_ = line_end_;
    if (content_end_ > line_begin_ && text_[content_end_ - 1] == '\r') {
      --content_end_;
    }
    pos_ = line_begin_;
    has_line_ = true;
    return true;
  }

  std::string Line() const {
    return text_.substr(line_begin_, content_end_ - line_begin_);
  }

  [[noreturn]] void Fail(const std::string& message) const {
    throw RegFileError{line_number_, message};
  }

  bool AtEnd() const { return pos_ >= content_end_; }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void SkipSpaces() {
    while (!AtEnd() && IsSpace(text_[pos_])) ++pos_;
  }
  bool RestIsBlank() {
    SkipSpaces();
    return AtEnd();
  }

  void ParseLine() {
    SkipSpaces();
    if (AtEnd()) return;
    const char first = text_[pos_];
    if (first == ';' || first == '#') return;  // a comment
    if (first == '[') return ParseSection();
    if (first == '@' || first == '"') return ParseValue();
    Fail("expected a [key] line, a value line or a comment");
  }

  void ParseSection() {
    const std::string line = Line();
    const size_t open = pos_ - line_begin_;
    const size_t close = line.rfind(']');
    if (close == std::string::npos || close < open) Fail("the key has no closing ]");
    pos_ = line_begin_ + close + 1;
    if (!RestIsBlank()) Fail("text after the closing ] of the key");
    std::string path = line.substr(open + 1, close - open - 1);
    const bool remove = !path.empty() && path[0] == '-';
    if (remove) path.erase(0, 1);
    const std::vector<std::string> parts = SplitPath(path);
    for (const std::string& part : parts) {
      if (part.empty()) Fail("the key path has an empty name in it");
    }
    if (parts.size() - 1 > kMaxKeyDepth) {
      Fail("the key path is more than " + std::to_string(kMaxKeyDepth) + " keys deep");
    }
    RegKey* key = file_.RootKey(parts[0]);
    if (key == nullptr) Fail("unknown root key " + parts[0]);
    if (remove) {
      current_ = nullptr;
      for (size_t i = 1; key != nullptr && i + 1 < parts.size(); ++i) {
        key = key->FindSubkey(parts[i]);
      }
      if (key == nullptr || parts.size() == 1) return;
      const size_t place = key->SubkeyPlace(parts.back());
      if (place == NameIndex::kNone) return;
      // Freed now, taken out of the list when the file has been read.
      key->subkey_slots.Remove(parts.back(), place);
      key->subkeys[place].reset();
      return;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
      RegKey* subkey = key->FindSubkey(parts[i]);
      if (subkey == nullptr) {
        key->subkey_slots.Add(parts[i], key->subkeys.size());
        key->subkeys.emplace_back(new RegKey);
        subkey = key->subkeys.back().get();
        subkey->name = parts[i];
      }
      key = subkey;
    }
    current_ = key;
  }

  // A quoted name or string: \\ and \" are the only escapes.
  std::string ParseQuoted() {
    ++pos_;  // the opening quote
    std::string out(text_, pos_, PlainRun());
    pos_ += out.size();
    for (;;) {
      if (AtEnd()) Fail("a quoted string has no closing quote");
      if (text_[pos_++] == '"') return out;
      const char escaped = Peek();
      if (escaped != '\\' && escaped != '"') {
        Fail("a backslash in a quoted string must be written \\\\");
      }
      ++pos_;
      out += escaped;
      const size_t run = PlainRun();
      out.append(text_, pos_, run);
      pos_ += run;
    }
  }

  // The number of bytes from pos_ up to the next quote or backslash of the
  // line: bytes a quoted string takes as they are.
  size_t PlainRun() const {
    const char* const run = text_.data() + pos_;
    const void* quote = std::memchr(run, '"', content_end_ - pos_);
    const size_t length = quote ? static_cast<const char*>(quote) - run : content_end_ - pos_;
    const void* backslash = std::memchr(run, '\\', length);
    return backslash ? static_cast<const char*>(backslash) - run : length;
  }

  // True when the line goes on with `word` (in capitals) in any letter case.
  bool LooksAt(const char* word) const {
    const size_t length = std::strlen(word);
    if (pos_ + length > content_end_) return false;
    for (size_t i = 0; i < length; ++i) {
      if (UpperCaseCp1252(text_[pos_ + i]) != word[i]) return false;
    }
    return true;
  }

  void ParseValue() {
    const size_t entry_begin = line_begin_;
    RegValue value;
    if (text_[pos_] == '@') {
      ++pos_;
    } else {
      value.name = ParseQuoted();
    }
    SkipSpaces();
    if (Peek() != '=') Fail("expected = after the value's name");
    ++pos_;
    SkipSpaces();
    if (current_ == nullptr) Fail("a value outside any key");
    if (Peek() == '-') {
      ++pos_;
      if (!RestIsBlank()) Fail("text after =-");
      RemoveValue(value.name);
      return;
    }
    if (Peek() == '"') {
      value.type = kTypeString;
      value.data = ParseQuoted();
      value.data += '\0';
      if (!RestIsBlank()) Fail("text after the closing quote of the string");
    } else if (LooksAt("DWORD:")) {
      pos_ += 6;
      uint32_t number = 0;
      size_t digits = 0;
      for (; !AtEnd() && HexDigit(text_[pos_]) >= 0; ++pos_, ++digits) {
        number = number << 4 | static_cast<uint32_t>(HexDigit(text_[pos_]));
      }
      if (digits == 0 || digits > 8 || !RestIsBlank()) {
        Fail("a dword value must be 1 to 8 hexadecimal digits");
      }
      value.type = kTypeDword;
      for (int i = 0; i < 4; ++i) value.data += static_cast<char>(number >> (8 * i) & 0xFF);
    } else if (LooksAt("HEX")) {
      pos_ += 3;
      value.type = kTypeBinary;
      if (Peek() == '(') {
        ++pos_;
        uint32_t type = 0;
        size_t digits = 0;
        for (; !AtEnd() && HexDigit(text_[pos_]) >= 0; ++pos_, ++digits) {
          type = type << 4 | static_cast<uint32_t>(HexDigit(text_[pos_]));
        }
        if (digits == 0 || digits > 8 || Peek() != ')') {
          Fail("hex(N): N must be 1 to 8 hexadecimal digits");
        }
        ++pos_;
        value.type = type;
      }
      if (Peek() != ':') Fail("expected : after hex");
      ++pos_;
      value.data = ParseHexBytes();
    } else {
      Fail("expected a quoted string, dword: or hex: after =");
    }
    value.entry_begin = entry_begin;
    value.entry_end = content_end_;
    SetValue(std::move(value));
  }

  // Bytes written as hexadecimal pairs separated by commas; a backslash at
  // the end of a line continues the list on the next line.
  std::string ParseHexBytes() {
    std::string bytes;
    bool need_byte = false;  // after a comma
    for (;;) {
      SkipSpaces();
      if (AtEnd()) {
        if (need_byte) Fail("a hex list ends with a comma");
        return bytes;
      }
      if (Peek() == '\\') {
        ++pos_;
        if (!RestIsBlank()) Fail("text after the \\ that continues a hex list");
        if (!NextLine()) Fail("the file ends after a \\ that continues a hex list");
        continue;
      }
      if (!bytes.empty() && !need_byte) {
        if (Peek() != ',') Fail("expected a comma between hex bytes");
        ++pos_;
        need_byte = true;
        continue;
      }
      int digits = 0;
      int byte = 0;
      for (; digits < 2 && !AtEnd() && HexDigit(Peek()) >= 0; ++digits) {
        byte = byte << 4 | HexDigit(text_[pos_++]);
      }
      if (digits == 0 || (!AtEnd() && HexDigit(Peek()) >= 0)) {
        Fail("a hex byte must be one or two hexadecimal digits");
      }
      bytes += static_cast<char>(byte);
      need_byte = false;
    }
  }

  void SetValue(RegValue value) {
    RegKey& key = *current_;
    const size_t place = key.IndexValue(value.name, key.values.size());
    if (place == key.values.size()) {
      key.values.push_back(std::move(value));
      return;
    }
    RegValue& stored = key.values[place];
    stored.type = value.type;
    stored.data = std::move(value.data);
    stored.entry_begin = value.entry_begin;
    stored.entry_end = value.entry_end;
  }

  // A removed value stays in its key's list, no longer found by its name,
  // until the file has been read: erasing it at once would cost a pass over
  // the list for every removal.
  void RemoveValue(const std::string& name) {
    const size_t place = current_->ValuePlace(name);
    if (place != NameIndex::kNone) current_->value_slots.Remove(name, place);
  }

  // Takes the removed values and keys out of the lists below `top`, in one
  // pass over each list.
  static void DropRemoved(RegKey& top) {
    std::vector<RegKey*> pending = {&top};
    while (!pending.empty()) {
      RegKey& key = *pending.back();
      pending.pop_back();
      if (key.value_slots.size() != key.values.size()) {
        // Which values the index still finds where they are, all looked
        // up before any is moved: the index reads the names in the list.
        std::vector<bool> live(key.values.size());
        for (size_t i = 0; i < key.values.size(); ++i) {
          live[i] = key.ValuePlace(key.values[i].name) == i;
        }
        std::vector<RegValue> kept;
        kept.reserve(key.value_slots.size());
        for (size_t i = 0; i < key.values.size(); ++i) {
          if (live[i]) kept.push_back(std::move(key.values[i]));
        }
        key.values.swap(kept);
        Reindex(key);
      }
      if (key.subkey_slots.size() != key.subkeys.size()) {
        key.subkeys.erase(std::remove(key.subkeys.begin(), key.subkeys.end(), nullptr),
                          key.subkeys.end());
        Reindex(key);
      }
      for (const auto& subkey : key.subkeys) pending.push_back(subkey.get());
    }
  }

  RegFile& file_;
  const std::string& text_;
  RegKey* current_ = nullptr;
  bool has_line_ = false;
  size_t line_number_ = 0;
  size_t line_begin_ = 0;
  size_t line_end_ = 0;
  size_t content_end_ = 0;
  size_t next_ = 0;
  size_t pos_ = 0;
};

RegFile RegFile::Parse(std::string text) {
  RegFile file;
  file.text_ = std::move(text);
  for (const char* name : kRootNames) {
    file.roots_.push_back(Root{name, std::unique_ptr<RegKey>(new RegKey)});
    file.roots_.back().key->name = name;
  }
  RegFileParser(file).Parse();
  return file;
}

RegKey* RegFile::RootKey(const std::string& name) const {
  const std::string wanted = NameKey(name);
  for (const Root& root : roots_) {
    if (wanted == root.name) return root.key.get();
  }
  return nullptr;
}

RegKey* RegFile::FindKey(const std::string& path) const {
  const std::vector<std::string> parts = SplitPath(path);
  RegKey* key = RootKey(parts[0]);
  for (size_t i = 1; key != nullptr && i < parts.size(); ++i) {
    key = key->FindSubkey(parts[i]);
  }
  return key;
}

std::string RegFile::EditedText(const std::vector<ValueEdit>& edits) const {
  // The last edit of each value wins.
  std::vector<const ValueEdit*> latest;
  std::unordered_map<std::string, size_t> slots;
  for (const ValueEdit& edit : edits) {
    const std::string id = NameKey(edit.key_path) + '\n' + NameKey(edit.value_name);
    const auto slot = slots.find(id);
    if (slot == slots.end()) {
      slots[id] = latest.size();
      latest.push_back(&edit);
    } else {
      latest[slot->second] = &edit;
    }
  }
  struct Splice {
    size_t begin;
    size_t end;
    std::string text;
  };
  std::vector<Splice> splices;
  std::string appended;
  for (const ValueEdit* edit : latest) {
    const RegKey* key = FindKey(edit->key_path);
    const RegValue* value = key ? key->FindValue(edit->value_name) : nullptr;
    if (value != nullptr) {
      // The value keeps the spelling it has.
      splices.push_back(Splice{value->entry_begin, value->entry_end,
                               EntryText(value->name, edit->type, edit->data)});
    } else {
      appended += line_end_ + "[" + edit->key_path + "]" + line_end_ +
                  EntryText(edit->value_name, edit->type, edit->data) + line_end_;
    }
  }
  // In one pass from the start: the text between the entries is copied once,
  // however many entries change.
  std::sort(splices.begin(), splices.end(),
            [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
  std::string text;
  size_t copied = 0;
  for (const Splice& splice : splices) {
    text.append(text_, copied, splice.begin - copied);
    text += splice.text;
    copied = splice.end;
  }
  text.append(text_, copied, std::string::npos);
  if (!appended.empty()) {
    // The last line gets its line end first. A CR alone at the very end
    // needs only the LF: another CR would stay in the line.
    if (text.back() == '\r') {
      text += '\n';
    } else if (text.back() != '\n') {
      text += line_end_;
    }
    text += appended;
  }
  return text;
}

namespace {

bool FitsQuotedString(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  const std::string body = data.substr(0, data.size() - 1);
  return body.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
}

}  // namespace

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string EntryText(const std::string& name, uint32_t type,
                      const std::string& data) {
  static const char kHex[] = "0123456789abcdef";
  std::string entry = (name.empty() ? std::string("@") : Quoted(name)) + "=";
  if (type == kTypeString && FitsQuotedString(data)) {
    return entry + Quoted(data.substr(0, data.size() - 1));
  }
  if (type == kTypeDword && data.size() == 4) {
    entry += "dword:";
    for (int i = 3; i >= 0; --i) {
      const unsigned char byte = static_cast<unsigned char>(data[static_cast<size_t>(i)]);
      entry += kHex[byte >> 4];
      entry += kHex[byte & 0xF];
    }
    return entry;
  }
  if (type == kTypeBinary) {
    entry += "hex:";
  } else {
    entry += "hex(";
    bool leading = true;
    for (int shift = 28; shift >= 0; shift -= 4) {
      const uint32_t digit = type >> shift & 0xF;
      if (leading && digit == 0 && shift != 0) continue;
      leading = false;
      entry += kHex[digit];
    }
    entry += "):";
  }
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(data[i]);
    if (i != 0) entry += ',';
    entry += kHex[byte >> 4];
    entry += kHex[byte & 0xF];
  }
  return entry;
}

}  // namespace emulated
}  // namespace dorvix
