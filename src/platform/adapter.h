#pragma once

namespace kuokuo {

// Holds the implementation of one platform adapter: the real one, unless a test installed
// another. Each adapter's source file defines `real()` for its interface.
template <class Interface>
class Adapter
{
public:
    static Interface &get() { return installed() ? *installed() : real(); }
    // Tests install a fake; nullptr brings the real implementation back.
    static void install(Interface *implementation) { installed() = implementation; }

private:
    static Interface *&installed()
    {
        static Interface *implementation = nullptr;
        return implementation;
    }
    static Interface &real();
};

} // namespace kuokuo
