#include "platform/ui/ui.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/script.h"

struct Dialog {
  const DialogTemplate* source;
  const DialogHandlers* handlers;
  int result;
  int ended;
  std::vector<std::string> texts;  // per control: the text now held (headless and GTK alike)
  // GTK only.
  GtkWidget* window;
  std::vector<GtkWidget*> widgets;
  std::vector<std::string> shown_texts;  // per edit box: the text put in it, made valid UTF-8
  GMainLoop* loop;
  int shown;
  std::vector<std::pair<int, std::string>> system_items;
  int focus;  // the control index with the focus, -1 for none
};

namespace {

// Puts control i's text in its edit box. GTK shows only UTF-8: other bytes are shown as
// replacement characters, and the text itself is kept until the box is edited, so that a name
// that is not UTF-8 reaches the program as it is rather than as another, valid, one.
void ShowEditText(Dialog* d, int i) {
  gchar* valid = g_utf8_make_valid(d->texts[i].c_str(), -1);
  d->shown_texts.resize(d->texts.size());
  d->shown_texts[i] = valid;
  g_free(valid);
  gtk_entry_set_text(GTK_ENTRY(d->widgets[i]), d->shown_texts[i].c_str());
}

int ControlIndex(Dialog* d, int id) {
  for (int i = 0; i < d->source->control_count; i++)
    if (d->source->controls[i].id == id) return i;
  return -1;
}

// The controls the focus can rest on, as Windows' tab stops.
bool TakesFocus(const DialogControl& c) {
  return (c.kind == CONTROL_BUTTON || c.kind == CONTROL_DEFAULT_BUTTON || c.kind == CONTROL_EDIT) &&
         !(c.flags & CONTROL_DISABLED);
}

int FirstFocus(Dialog* d) {
  for (int i = 0; i < d->source->control_count; i++)
    if (TakesFocus(d->source->controls[i])) return i;
  return -1;
}

void FocusControl(Dialog* d, int index) {
  if (index < 0 || index >= d->source->control_count) return;
  d->focus = index;
  if (IsHeadless()) std::fprintf(stderr, "[dialog %d] focus %d\n", d->source->id, d->source->controls[index].id);
  if (index < int(d->widgets.size()) && d->widgets[index]) {
    gtk_widget_grab_focus(d->widgets[index]);
    if (GTK_IS_ENTRY(d->widgets[index])) gtk_editable_select_region(GTK_EDITABLE(d->widgets[index]), 0, -1);
  }
}

void Command(Dialog* d, int id) {
  if (d->handlers->command)
    d->handlers->command(d, d->handlers->context, id);
  else if (id == IDOK || id == IDCANCEL)
    EndDialog(d, id);
}

// ---- Headless: the script fills edit boxes and presses buttons ------------------------------------

int RunHeadless(Dialog* d) {
  std::fprintf(stderr, "[dialog %d] \"%s\"\n", d->source->id, d->source->caption);
  if (d->handlers->init) d->handlers->init(d, d->handlers->context);
  if (d->focus < 0) FocusControl(d, FirstFocus(d));
  for (int i = 0; i < d->source->control_count; i++)
    if (d->source->controls[i].kind == CONTROL_EDIT)
      std::fprintf(stderr, "[dialog %d] edit %d = \"%s\"\n", d->source->id, d->source->controls[i].id,
                   d->texts[i].c_str());
  if (!d->ended && d->handlers->shown) d->handlers->shown(d, d->handlers->context);
  ScriptDialogAction action;
  while (!d->ended && ScriptTakeDialogAction(d->source->id, &action)) {
    int index = ControlIndex(d, action.control);
    if (action.press) {
      std::fprintf(stderr, "[dialog %d] press %d\n", d->source->id, action.control);
      if (action.control == IDCANCEL || (index >= 0 && !(d->source->controls[index].flags & CONTROL_DISABLED)))
        Command(d, action.control);
      else if (index < 0)
        for (const auto& item : d->system_items)
          if (item.first == action.control && d->handlers->system_command)
            d->handlers->system_command(d, d->handlers->context, action.control);
    } else if (index >= 0 && d->source->controls[index].kind == CONTROL_EDIT &&
               !(d->source->controls[index].flags & CONTROL_DISABLED)) {
      d->texts[index] = action.text;
    }
  }
  // A dialog the script leaves open is closed, as a user would close it.
  if (!d->ended) EndDialog(d, IDCANCEL);
  return d->result;
}

// ---- GTK ---------------------------------------------------------------------------------------------

// Pixels per dialog unit: a quarter of the average character width across, an eighth of its
// height down, widened for GTK's roomier widgets.
constexpr double kUnitX = 1.75, kUnitY = 2.25;

std::string Mnemonic(const char* text) {
  std::string out;
  for (const char* p = text; *p; p++) out += (*p == '&') ? (p[1] == '&' ? (p++, '&') : '_') : *p;
  return out;
}

void Pump() {
  while (gtk_events_pending()) gtk_main_iteration();
}

void OnButton(GtkWidget* button, gpointer data) {
  Dialog* d = static_cast<Dialog*>(data);
  int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "control-id"));
  Command(d, id);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  Command(static_cast<Dialog*>(data), IDCANCEL);
  return TRUE;
}

gboolean RunShown(gpointer data) {
  Dialog* d = static_cast<Dialog*>(data);
  if (!d->ended && d->handlers->shown) d->handlers->shown(d, d->handlers->context);
  return G_SOURCE_REMOVE;
}

gboolean OnDraw(GtkWidget*, cairo_t*, gpointer data) {
  Dialog* d = static_cast<Dialog*>(data);
  if (!d->shown) {
    d->shown = 1;
    g_idle_add(RunShown, d);  // after this first frame is on screen
  }
  return FALSE;
}

void OnSystemItem(GtkWidget* item, gpointer data) {
  Dialog* d = static_cast<Dialog*>(data);
  int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "command"));
  if (d->handlers->system_command) d->handlers->system_command(d, d->handlers->context, id);
}

int RunGtk(Dialog* d) {
  static int ready = gtk_init_check(nullptr, nullptr);
  if (!ready) {
    std::fprintf(stderr, "setup: no display for the dialog \"%s\"\n", d->source->caption);
    return IDCANCEL;
  }
  const DialogTemplate& t = *d->source;
  d->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(d->window), t.caption);
  gtk_window_set_resizable(GTK_WINDOW(d->window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(d->window), TRUE);
  gtk_window_set_deletable(GTK_WINDOW(d->window), t.system_menu ? TRUE : FALSE);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(d->window), t.app_window ? FALSE : TRUE);
  gtk_window_set_position(GTK_WINDOW(d->window), GTK_WIN_POS_CENTER);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, int(t.width * kUnitX), int(t.height * kUnitY));
  gtk_container_add(GTK_CONTAINER(d->window), fixed);
  d->widgets.assign(t.control_count, nullptr);
  for (int i = 0; i < t.control_count; i++) {
    const DialogControl& c = t.controls[i];
    GtkWidget* w = nullptr;
    switch (c.kind) {
      case CONTROL_BUTTON:
      case CONTROL_DEFAULT_BUTTON:
        w = gtk_button_new_with_mnemonic(Mnemonic(c.text).c_str());
        g_object_set_data(G_OBJECT(w), "control-id", GINT_TO_POINTER(c.id));
        g_signal_connect(w, "clicked", G_CALLBACK(OnButton), d);
        break;
      case CONTROL_EDIT:
        w = gtk_entry_new();
        d->widgets[i] = w;
        ShowEditText(d, i);
        if (c.kind == CONTROL_EDIT) gtk_entry_set_activates_default(GTK_ENTRY(w), TRUE);
        break;
      case CONTROL_STATIC:
        w = (c.flags & CONTROL_NO_PREFIX) ? gtk_label_new(c.text) : gtk_label_new_with_mnemonic(Mnemonic(c.text).c_str());
        gtk_label_set_line_wrap(GTK_LABEL(w), TRUE);
        gtk_label_set_xalign(GTK_LABEL(w), (c.flags & CONTROL_CENTER) ? 0.5f : 0.0f);
        gtk_label_set_yalign(GTK_LABEL(w), 0.0f);
        gtk_label_set_max_width_chars(GTK_LABEL(w), 1);
        break;
      case CONTROL_ICON:
        w = gtk_image_new_from_icon_name("system-software-install", GTK_ICON_SIZE_DND);
        break;
    }
    if (c.flags & CONTROL_DISABLED) gtk_widget_set_sensitive(w, FALSE);
    gtk_widget_set_size_request(w, int(c.width * kUnitX), int(c.height * kUnitY));
    gtk_fixed_put(GTK_FIXED(fixed), w, int(c.x * kUnitX), int(c.y * kUnitY));
    d->widgets[i] = w;
    if (c.kind == CONTROL_DEFAULT_BUTTON) {
      gtk_widget_set_can_default(w, TRUE);
      gtk_window_set_default(GTK_WINDOW(d->window), w);
    }
  }
  g_signal_connect(d->window, "delete-event", G_CALLBACK(OnDelete), d);
  g_signal_connect(d->window, "draw", G_CALLBACK(OnDraw), d);
  // Tab moves through the controls in template order, as on Windows; GTK's own order goes by place
  // on screen, and would start at the Destination box below the text rather than at Install.
  GList* chain = nullptr;
  for (int i = t.control_count - 1; i >= 0; i--)
    if (TakesFocus(t.controls[i])) chain = g_list_prepend(chain, d->widgets[i]);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_list_free(chain);
  if (d->handlers->init) d->handlers->init(d, d->handlers->context);
  if (d->focus < 0) FocusControl(d, FirstFocus(d));
  // The system menu's extra items sit in a header bar menu: a desktop's title bar has no system menu.
  if (!d->system_items.empty()) {
    GtkWidget* bar = gtk_header_bar_new();
    gtk_header_bar_set_title(GTK_HEADER_BAR(bar), t.caption);
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), t.system_menu ? TRUE : FALSE);
    GtkWidget* menu = gtk_menu_new();
    for (const auto& item : d->system_items) {
      GtkWidget* entry = gtk_menu_item_new_with_mnemonic(Mnemonic(item.second.c_str()).c_str());
      g_object_set_data(G_OBJECT(entry), "command", GINT_TO_POINTER(item.first));
      g_signal_connect(entry, "activate", G_CALLBACK(OnSystemItem), d);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    }
    gtk_widget_show_all(menu);
    GtkWidget* button = gtk_menu_button_new();
    gtk_menu_button_set_popup(GTK_MENU_BUTTON(button), menu);
    gtk_header_bar_pack_start(GTK_HEADER_BAR(bar), button);
    gtk_window_set_titlebar(GTK_WINDOW(d->window), bar);
  }
  gtk_widget_show_all(d->window);
  d->loop = g_main_loop_new(nullptr, FALSE);
  if (!d->ended) g_main_loop_run(d->loop);
  g_main_loop_unref(d->loop);
  gtk_widget_destroy(d->window);
  Pump();
  return d->result;
}

}  // namespace

int DoModal(const DialogTemplate& dialog_template, const DialogHandlers& handlers) {
  Dialog d{};
  d.source = &dialog_template;
  d.handlers = &handlers;
  d.result = IDCANCEL;
  d.focus = -1;
  for (int i = 0; i < dialog_template.control_count; i++)
    d.texts.push_back(dialog_template.controls[i].text ? dialog_template.controls[i].text : "");
  return IsHeadless() ? RunHeadless(&d) : RunGtk(&d);
}

void EndDialog(Dialog* d, int result) {
  if (d->ended) return;
  d->ended = 1;
  d->result = result;
  if (d->loop) g_main_loop_quit(d->loop);
}

void SetDlgItemTextA(Dialog* d, int id, const char* text) {
  int i = ControlIndex(d, id);
  if (i < 0) return;
  d->texts[i] = text ? text : "";
  if (i < int(d->widgets.size()) && d->widgets[i] && GTK_IS_ENTRY(d->widgets[i])) ShowEditText(d, i);
}

int GetDlgItemTextA(Dialog* d, int id, char* out, int max) {
  if (max <= 0) return 0;
  out[0] = 0;
  int i = ControlIndex(d, id);
  if (i < 0) return 0;
  if (i < int(d->widgets.size()) && d->widgets[i] && GTK_IS_ENTRY(d->widgets[i])) {
    const char* now = gtk_entry_get_text(GTK_ENTRY(d->widgets[i]));
    if (i >= int(d->shown_texts.size()) || d->shown_texts[i] != now) d->texts[i] = now;
  }
  int n = std::min<int>(max - 1, int(d->texts[i].size()));
  std::memcpy(out, d->texts[i].data(), n);
  out[n] = 0;
  return n;
}

void EnableDialog(Dialog* d, int enable) {
  if (d->window) gtk_widget_set_sensitive(d->window, enable ? TRUE : FALSE);
}

void GotoDlgCtrl(Dialog* d, int id) { FocusControl(d, ControlIndex(d, id)); }

void AppendSystemMenuItem(Dialog* d, int command, const char* text) { d->system_items.push_back({command, text}); }

void SetDialogIcon(Dialog* d, const char* icon) {
  if (!d->window) return;
  if (std::strchr(icon, '.'))
    gtk_window_set_icon_from_file(GTK_WINDOW(d->window), icon, nullptr);
  else
    gtk_window_set_icon_name(GTK_WINDOW(d->window), icon);
}

int UiMessageBox(const char* text, const char* caption, unsigned type) {
  if (IsHeadless() || !gtk_init_check(nullptr, nullptr)) return MessageBoxExA(nullptr, text, caption, type, 0);
  bool yes_no = (type & 0xF) == MB_YESNO;
  GtkMessageType kind = (type & 0xF0) == MB_ICONQUESTION      ? GTK_MESSAGE_QUESTION
                        : (type & 0xF0) == MB_ICONHAND        ? GTK_MESSAGE_ERROR
                        : (type & 0xF0) == MB_ICONEXCLAMATION ? GTK_MESSAGE_WARNING
                                                              : GTK_MESSAGE_INFO;
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, kind, yes_no ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK,
                                          "%s", text);
  gtk_window_set_title(GTK_WINDOW(box), caption);
  if (yes_no) gtk_dialog_set_default_response(GTK_DIALOG(box), (type & MB_DEFBUTTON2) ? GTK_RESPONSE_NO : GTK_RESPONSE_YES);
  int response = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  Pump();
  if (!yes_no) return IDOK;
  if (response == GTK_RESPONSE_YES) return IDYES;
  if (response == GTK_RESPONSE_NO) return IDNO;
  return (type & MB_DEFBUTTON2) ? IDNO : IDYES;  // closed: the default button
}
