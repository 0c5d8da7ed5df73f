// The owned-component model: a component has a name, an owner and the components it owns, in
// order; it finds an owned component by name (ignoring case) and tells the components that asked
// for it when it is destroyed, so that they clear their references to it. The application keeps
// its forms and data modules by name; the hidden form "DialogForm" (HostForm) owns what the
// database objects of a loaded report create.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(std::string name = {});
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual std::string ClassName() const { return "TComponent"; }

  std::string Name;
  // A number kept for the program's own use; the component itself never reads it.
  std::int32_t Tag = 0;

  TComponent* Owner() const { return OwnerComponent; }
  // The owned components, in the order they were added.
  const std::vector<std::unique_ptr<TComponent>>& Components() const { return Owned; }
  // Takes ownership of child (which must have no owner) and returns it.
  template <typename T>
  T& Add(std::unique_ptr<T> child) {
    T& added = *child;
    AddOwned(std::move(child));
    return added;
  }
  // Gives up ownership of child; none when child is not owned here.
  std::unique_ptr<TComponent> Remove(TComponent* child);
  // The owned component of that name, compared without regard to ASCII case; none when absent.
  TComponent* FindComponent(std::string_view name) const;

  // Asks to be told (through Notification) when component is destroyed, and no longer.
  void FreeNotification(TComponent* observer);
  void RemoveFreeNotification(TComponent* observer);

 protected:
  // Called on observers when a component they asked about is destroyed (opRemove).
  virtual void Notification(TComponent* component, TOperation operation) {}

  // Points a reference of this component at target and moves the free notification from the old
  // target to the new one, so that Notification can clear the reference when its target goes.
  // A component keeps at most one reference to any one target through this.
  template <typename T>
  void SetReference(T*& reference, T* target) {
    if (reference == target) return;
    if (reference) reference->RemoveFreeNotification(this);
    reference = target;
    if (target) target->FreeNotification(this);
  }

 private:
  void AddOwned(std::unique_ptr<TComponent> child);

  TComponent* OwnerComponent = nullptr;
  std::vector<std::unique_ptr<TComponent>> Owned;
  std::vector<TComponent*> Observers;  // told when this one is destroyed
  std::vector<TComponent*> Observed;   // this one is told when those are destroyed
};

// A plain form: a component with a place and size on the screen.
class TForm : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TForm"; }
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The application's forms and data modules, known by their component names. One per conversion
// context, so that conversions with two contexts keep their components apart.
class TApplication {
 public:
  // The forms in order: the ones added, then the hidden form "DialogForm".
  std::vector<TComponent*> Forms() const;
  // Adds a form before the hidden form (not owned); removes it again.
  void AddForm(TComponent* form);
  void RemoveForm(TComponent* form);
  // The form of that name (ignoring ASCII case), or none.
  TComponent* FindForm(std::string_view name) const;
  // The hidden plain form "DialogForm", placed off screen at (-100, -100), 10 x 10 pixels.
  TForm& HostForm();

 private:
  TForm& EnsureHost() const;

  std::vector<TComponent*> Added;
  mutable std::unique_ptr<TForm> Host;  // created on first use
};

// Creates a component owned by owner and returns it.
template <typename T, typename... Args>
T& CreateOwned(TComponent& owner, Args&&... args) {
  return owner.Add(std::make_unique<T>(std::forward<Args>(args)...));
}

// Destroys a component that an owner holds, taking it from its owner first. A component without
// owner belongs to whoever holds it and is left alone.
void FreeOwned(TComponent* component);

}  // namespace kv
