#include "interp/UserObject.h"

#include <ostream>

#include "linalg/Failure.h"

namespace tala::interp {

void UserObject::copy(const UserObject&) { throw Failure("Cannot copy this type."); }

void UserObject::print(std::ostream& out) const { out << typeName_ << "\n"; }

void UserObject::add(const Object&, const Object&, Object&) { throw Failure("Cannot add this type."); }

void UserObject::subtract(const Object&, const Object&, Object&) {
    throw Failure("Cannot subtract this type.");
}

void UserObject::multiply(const Object&, const Object&, Object&) {
    throw Failure("Cannot multiply this type.");
}

void UserObject::divide(const Object&, const Object&, Object&) {
    throw Failure("Cannot divide this type.");
}

bool UserObject::equals(const Object&, const Object&) { throw Failure("Cannot compare this type."); }

bool UserObject::greaterThan(const Object&, const Object&) {
    throw Failure("Cannot compare this type.");
}

bool UserObject::lessThan(const Object&, const Object&) {
    throw Failure("Cannot compare this type.");
}

}  // namespace tala::interp
