#pragma once

// Every platform service is reached through one accessor that returns the
// real implementation unless a test has installed a double. Tests install
// doubles with ScopedOverride so a failing test cannot leak one into the next.
namespace platform {

template <class Interface> class Overridable {
  public:
    static Interface* current() { return override_; }
    static void set(Interface* replacement) { override_ = replacement; }

  private:
    static inline Interface* override_ = nullptr;
};

template <class Interface> class ScopedOverride {
  public:
    explicit ScopedOverride(Interface& replacement) : previous_(Overridable<Interface>::current())
    {
        Overridable<Interface>::set(&replacement);
    }
    ~ScopedOverride() { Overridable<Interface>::set(previous_); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

  private:
    Interface* previous_;
};

// Returns the installed double, else the real instance. The real instance is
// never destroyed: some hold Qt objects that must not outlive the application.
template <class Interface, class Real> Interface& resolve()
{
    if (Interface* replacement = Overridable<Interface>::current())
        return *replacement;
    static Real* real = new Real;
    return *real;
}

} // namespace platform
