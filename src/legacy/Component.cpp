// The owned-component model: ownership, lookup by name, free notification and the per-thread
// application with its forms and the hidden form "DialogForm".
#include "legacy/Component.h"

#include <algorithm>

#include "base/Ascii.h"

namespace kv {

namespace {

void Erase(std::vector<TComponent*>& list, const TComponent* item) {
  std::erase(list, item);
}

}  // namespace

// ---- TComponent ---------------------------------------------------------------------------------

TComponent::TComponent(std::string name) : Name(std::move(name)) {}

TComponent::~TComponent() {
  // First the components that asked about this one: they clear their references while the owned
  // components still exist, as the ones they refer to may be owned here.
  while (!Observers.empty()) {
    TComponent* observer = Observers.back();
    Observers.pop_back();
    Erase(observer->Observed, this);
    observer->Notification(this, TOperation::opRemove);
  }
  // This one is no longer told about anything.
  for (TComponent* observed : Observed) Erase(observed->Observers, this);
  Observed.clear();
  // The owned components go last to first; each leaves the list before it is destroyed, so that
  // nothing reaches it through this one while it goes.
  while (!Owned.empty()) {
    std::unique_ptr<TComponent> child = std::move(Owned.back());
    Owned.pop_back();
    child->OwnerComponent = nullptr;
    child.reset();
  }
}

void TComponent::AddOwned(std::unique_ptr<TComponent> child) {
  child->OwnerComponent = this;
  Owned.push_back(std::move(child));
}

std::unique_ptr<TComponent> TComponent::Remove(TComponent* child) {
  const auto it = std::find_if(Owned.begin(), Owned.end(),
                               [child](const auto& owned) { return owned.get() == child; });
  if (it == Owned.end()) return nullptr;
  std::unique_ptr<TComponent> removed = std::move(*it);
  Owned.erase(it);
  removed->OwnerComponent = nullptr;
  return removed;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  // An empty name names nothing, also not the components that have none.
  if (name.empty()) return nullptr;
  for (const auto& owned : Owned) {
    if (SameTextAscii(owned->Name, name)) return owned.get();
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* observer) {
  if (!observer || observer == this) return;
  if (std::find(Observers.begin(), Observers.end(), observer) != Observers.end()) return;
  Observers.push_back(observer);
  observer->Observed.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* observer) {
  if (!observer) return;
  Erase(Observers, observer);
  Erase(observer->Observed, this);
}

void FreeOwned(TComponent* component) {
  if (component && component->Owner()) component->Owner()->Remove(component).reset();
}

// ---- TApplication -------------------------------------------------------------------------------

std::vector<TComponent*> TApplication::Forms() const {
  std::vector<TComponent*> forms = Added;
  forms.push_back(&EnsureHost());
  return forms;
}

void TApplication::AddForm(TComponent* form) {
  if (!form || form == Host.get()) return;
  if (std::find(Added.begin(), Added.end(), form) == Added.end()) Added.push_back(form);
}

void TApplication::RemoveForm(TComponent* form) {
  Erase(Added, form);
}

TComponent* TApplication::FindForm(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* form : Forms()) {
    if (SameTextAscii(form->Name, name)) return form;
  }
  return nullptr;
}

TForm& TApplication::HostForm() {
  return EnsureHost();
}

TForm& TApplication::EnsureHost() const {
  if (!Host) {
    Host = std::make_unique<TForm>("DialogForm");
    Host->Left = -100;
    Host->Top = -100;
    Host->Width = 10;
    Host->Height = 10;
  }
  return *Host;
}

}  // namespace kv
