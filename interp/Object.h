#pragma once
// The object-level language's value: a name, a type tag and the data it points to.
//
// Data is held through shared ownership. Who owns in the script's sense (the temp
// marker name, a non-borrowed list entry) decides who may release; releasing only
// drops this Object's hold. A looked-up result therefore stays valid even when the
// variable it came from goes away first, and a write through any alias is seen by all.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "interp/UserObject.h"

namespace tala::interp {

// The name under which an Object owns its data.
inline constexpr std::string_view kObjectTempName = "(tala::interpreter)temp";

// Stored tags. No other value is ever set by this code; a foreign tag fails on release.
enum class ObjectType : std::int32_t { String = 0, Integer = 1, Double = 2, UserType = 3 };

using ObjectValue = std::variant<std::string, std::int32_t, double, std::unique_ptr<UserObject>>;

class Object {
public:
    Object() = default;
    // Stores the three unchanged; ownership follows the name.
    Object(std::string name, ObjectType type, std::shared_ptr<ObjectValue> data);
    // A user value under the given name (appended to a scope, the scope owns it).
    Object(std::string name, std::unique_ptr<UserObject> value);

    std::string name;
    ObjectType type = ObjectType::String;
    std::shared_ptr<ObjectValue> data;
    bool borrowed = false;  // meaningful only for an ObjectList entry

    bool hasData() const { return data != nullptr; }
    bool isTemp() const { return name == kObjectTempName; }
    // True when the tag is `t` and data is present.
    bool holds(ObjectType t) const { return type == t && data != nullptr; }

    // Drops the data. A temp Object with a tag outside the four raises "Unrecognized type".
    void release();

    // Setters release the current data, store the new value and take the temp name.
    void setString(std::string text);
    void setInteger(std::int32_t number);
    void setDouble(double number);
    void setUserObject(UserObject* value);  // takes ownership
    void setUserObject(std::unique_ptr<UserObject> value);

    // Access to the value when the tag matches and data is present, else the getter's
    // failure. The value is shared with every alias of this Object.
    std::string& getString() const;
    std::int32_t& getInteger() const;
    double& getDouble() const;
    UserObject& getUserObject() const;

    // Writes the value; with header first "<label> <name> = ". Requires data.
    void print(std::ostream& out, bool header) const;
};

// Stores value's value into target's existing data (same tags; user values of the same
// type name through copy). A value without data or of another tag changes nothing.
void set(Object& target, const Object& value);

// Arithmetic: result becomes a temp holding the value, or no data when there is none.
void add(const Object& left, const Object& right, Object& result);
void subtract(const Object& left, const Object& right, Object& result);
void multiply(const Object& left, const Object& right, Object& result);
void divide(const Object& left, const Object& right, Object& result);

bool equals(const Object& first, const Object& second);
bool greaterThan(const Object& first, const Object& second);
bool lessThan(const Object& first, const Object& second);

// An ordered list of Objects used as a scope; duplicate names allowed.
class ObjectList {
public:
    ObjectList() = default;
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;
    ObjectList(ObjectList&&) noexcept = default;
    ObjectList& operator=(ObjectList&&) noexcept = default;

    // Adds a copy sharing the Object's name, tag and data; the list owns it.
    void append(const Object& object);
    // Every entry named `name` is copied into result (name, tag, data); the last one
    // wins. Returns whether any matched.
    bool lookup(std::string_view name, Object& result) const;
    // set(entry, value) on every entry named like target.
    void assign(const Object& target, const Object& value);
    // Removes every entry. Raises "Unrecognized type" afterwards if an owning entry
    // carried a foreign tag.
    void clear();
    // A list sharing every entry's name, tag and data, each marked borrowed.
    ObjectList borrowedCopy() const;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const Object& operator[](std::size_t i) const { return entries_[i]; }
    std::vector<Object>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Object>::const_iterator end() const { return entries_.end(); }

private:
    std::vector<Object> entries_;
};

}  // namespace tala::interp
