// The owned-component model: ownership and lookup, the order of destruction, free notification
// in both directions, and the application of a conversion context with its forms and hidden form.
#include <gtest/gtest.h>

#include <vector>

#include "legacy/Component.h"
#include "legacy/Context.h"

namespace kv {
namespace {

// Writes its name into a log when destroyed, and keeps one reference cleared by notification.
class TProbe : public TComponent {
 public:
  TProbe(std::string name, std::vector<std::string>* log = nullptr)
      : TComponent(std::move(name)), Log(log) {}
  ~TProbe() override {
    if (Log) Log->push_back(Name + (Owner() ? " (owned)" : ""));
  }
  void Watch(TProbe* target) { SetReference(Target, target); }
  TProbe* Target = nullptr;
  int Notified = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    ++Notified;
    if (operation == TOperation::opRemove && component == Target) Target = nullptr;
  }

 private:
  std::vector<std::string>* Log;
};

TEST(Component, OwnsAndFindsItsComponentsByNameIgnoringCase) {
  TComponent form("Form1");
  auto& a = CreateOwned<TProbe>(form, "kvReport1");
  auto& b = CreateOwned<TProbe>(form, "Table1");
  CreateOwned<TProbe>(form, "");
  ASSERT_EQ(form.Components().size(), 3u);
  EXPECT_EQ(form.Components()[0].get(), &a);
  EXPECT_EQ(a.Owner(), &form);

  EXPECT_EQ(form.FindComponent("KVREPORT1"), &a);
  EXPECT_EQ(form.FindComponent("table1"), &b);
  EXPECT_EQ(form.FindComponent("Table2"), nullptr);
  EXPECT_EQ(form.FindComponent(""), nullptr);  // a nameless component is found by no name
  // Only ASCII letters fold: other bytes must be equal.
  CreateOwned<TProbe>(form, "\xC4rger");
  EXPECT_EQ(form.FindComponent("\xE4rger"), nullptr);

  std::unique_ptr<TComponent> taken = form.Remove(&b);
  ASSERT_EQ(taken.get(), &b);
  EXPECT_EQ(b.Owner(), nullptr);
  EXPECT_EQ(form.FindComponent("Table1"), nullptr);
  EXPECT_EQ(form.Remove(&b), nullptr);  // no longer owned here

  FreeOwned(&a);
  EXPECT_EQ(form.FindComponent("kvReport1"), nullptr);
  FreeOwned(taken.get());  // without owner: left to its holder
  EXPECT_EQ(taken->Name, "Table1");
}

TEST(Component, OwnedComponentsAreDestroyedLastFirstAfterLeavingTheirOwner) {
  std::vector<std::string> log;
  {
    TProbe form("Form", &log);
    CreateOwned<TProbe>(form, "A", &log);
    auto& b = CreateOwned<TProbe>(form, "B", &log);
    CreateOwned<TProbe>(b, "B1", &log);
    CreateOwned<TProbe>(b, "B2", &log);
    CreateOwned<TProbe>(form, "C", &log);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"Form", "C", "B", "B2", "B1", "A"}));
}

TEST(Component, FreeNotificationClearsReferencesWhicheverGoesFirst) {
  {  // The target goes first: the observer is told once, however often it asked.
    TProbe observer("Observer");
    auto target = std::make_unique<TProbe>("Target");
    observer.Watch(target.get());
    target->FreeNotification(&observer);
    target.reset();
    EXPECT_EQ(observer.Target, nullptr);
    EXPECT_EQ(observer.Notified, 1);
  }
  {  // The observer goes first: the target must not tell it anything later.
    auto observer = std::make_unique<TProbe>("Observer");
    TProbe target("Target");
    observer->Watch(&target);
    observer.reset();
  }  // the target's destruction would reach a destroyed observer here
  {  // A reference moved to another target stops the notices of the old one.
    TProbe observer("Observer");
    auto first = std::make_unique<TProbe>("First");
    TProbe second("Second");
    observer.Watch(first.get());
    observer.Watch(&second);
    first.reset();
    EXPECT_EQ(observer.Notified, 0);
    EXPECT_EQ(observer.Target, &second);
  }
  {  // Asking about oneself means nothing.
    TProbe self("Self");
    self.FreeNotification(&self);
  }
}

TEST(Component, SiblingsClearTheirReferencesWhileTheirOwnerGoes) {
  // The watcher comes first, so its target (added later) goes before it.
  std::vector<std::string> log;
  {
    TComponent form("Form");
    auto& watcher = CreateOwned<TProbe>(form, "Watcher", &log);
    auto& target = CreateOwned<TProbe>(form, "Target", &log);
    watcher.Watch(&target);
    target.Watch(&watcher);  // and the other way round: the target goes first
  }
  EXPECT_EQ(log, (std::vector<std::string>{"Target", "Watcher"}));
}

TEST(Application, KeepsItsFormsBeforeTheHiddenForm) {
  TConversionContext context;
  TApplication& app = context.Application;
  TForm& host = context.HostForm();
  EXPECT_EQ(&host, &app.HostForm());
  EXPECT_EQ(host.Name, "DialogForm");
  EXPECT_EQ(host.Left, -100);
  EXPECT_EQ(host.Top, -100);
  EXPECT_EQ(host.Width, 10);
  EXPECT_EQ(host.Height, 10);

  TComponent first("First"), second("Second");
  const std::size_t before = app.Forms().size();
  app.AddForm(&first);
  app.AddForm(&second);
  app.AddForm(&first);  // once only
  app.AddForm(&host);   // the hidden form is always last, never added
  std::vector<TComponent*> forms = app.Forms();
  ASSERT_EQ(forms.size(), before + 2);
  EXPECT_EQ(forms[forms.size() - 3], &first);
  EXPECT_EQ(forms[forms.size() - 2], &second);
  EXPECT_EQ(forms.back(), &host);
  EXPECT_EQ(app.FindForm("SECOND"), &second);
  EXPECT_EQ(app.FindForm("dialogform"), &host);
  EXPECT_EQ(app.FindForm("Third"), nullptr);
  app.RemoveForm(&first);
  app.RemoveForm(&second);
  EXPECT_EQ(app.FindForm("First"), nullptr);
  EXPECT_EQ(app.Forms().size(), before);
}

TEST(Application, EachContextHasItsOwnFormsAndHiddenForm) {
  TConversionContext first;
  TConversionContext second;
  TComponent mine("Mine");
  first.Application.AddForm(&mine);
  EXPECT_NE(&first.HostForm(), &second.HostForm());
  // The second context starts from the defaults: its hidden form alone.
  EXPECT_EQ(second.Application.FindForm("Mine"), nullptr);
  EXPECT_EQ(second.Application.Forms(), std::vector<TComponent*>{&second.HostForm()});
  EXPECT_EQ(first.Application.FindForm("Mine"), &mine);
  first.Application.RemoveForm(&mine);
}

}  // namespace
}  // namespace kv
