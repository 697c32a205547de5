#pragma once
// Common base of the markup readers. It carries no state and no behaviour of its own; it only
// gives the readers a shared type.

namespace px {

class CXNLParser {};

}  // namespace px
