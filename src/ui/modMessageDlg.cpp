#include "modMessageDlg.h"

#include <windows.h>
#include <shellapi.h>

#include "FTimerForm.h"
#include "WinFile.h"

namespace zmt {

int32_t MaxLineWidth(const std::string& Text, const TFont& Font) {
  const UniqueFont font = CreateFontHandle(Font);
  const TGdiTextMeasurer measurer(font.Get());
  return MaxLineWidth(Text, static_cast<const ITextMeasurer&>(measurer));
}

TLabel& CreateMessageLabel(TfrmTimerForm& Form, const std::string& Msg) {
  const TFormSettings& settings = RequireFormSettings();
  auto label = std::make_unique<TLabel>();
  label->Name = "Message";
  label->Id = kMessageControlId;
  label->Alignment = settings.LabelAlignment;
  label->Caption = Msg;
  label->Font = settings.LabelFont;
  label->Color = settings.LabelColor;

  Form.SetLabelFont(label->Font);
  {
    const UniqueFont font = CreateFontHandle(label->Font);
    const TGdiTextMeasurer measurer(font.Get());
    label->Layout = LayoutMessageLabel(Msg, measurer, PrimaryScreenSize(), label->Alignment);
  }
  label->Bounds = {0, 0, label->Layout.Width, label->Layout.Height};
  label->Handle = Form.CreateControl("STATIC", Msg, SS_OWNERDRAW | SS_NOPREFIX, label->Bounds,
                                     label->Id, label->Name);
  return Form.AddLabel(std::move(label));
}

std::unique_ptr<TfrmTimerForm> CreateTimedMessageForm(const std::string& Msg, TDialogType DlgType,
                                                      TDialogButtons Buttons,
                                                      const std::string& LogFile, int32_t Seconds) {
  const TFormSettings& settings = RequireFormSettings();
  CheckDialogType(DlgType);

  auto form = std::make_unique<TfrmTimerForm>(GetActiveWindow());
  const bool logButton = !LogFile.empty() && FileExists(LogFile);

  // The countdown is armed however the building ends; a failure still frees the form.
  struct TArmCountdown {
    TfrmTimerForm& Form;
    int32_t Seconds;
    ~TArmCountdown() { Form.SetSeconds(Seconds); }
  } arm{*form, Seconds};

  const TFrameSize frame = TimerFormFrameSize();
  const TScreenSize screen = PrimaryScreenSize();

  TLabel& label = CreateMessageLabel(*form, Msg);
  form->Layout = LayoutTimedMessageForm(DlgType, Buttons, logButton, ApplicationTitle(), settings,
                                        label.Layout, screen, frame);
  const TFormLayout& layout = form->Layout;

  SetWindowTextA(form->Handle(), layout.Caption.c_str());
  if (layout.IconId != 0) {
    auto image = std::make_unique<TImage>();
    image->Name = "Image";
    image->Id = kImageControlId;
    image->Bounds = layout.Image;
    image->Icon = LoadIconA(nullptr, MAKEINTRESOURCEA(layout.IconId));
    image->Handle = form->CreateControl("STATIC", std::string(), SS_ICON, image->Bounds, image->Id,
                                        image->Name);
    SendMessageA(image->Handle, STM_SETICON, WPARAM(image->Icon), 0);
    // Setting the icon sizes the control to it; the image keeps its own 32 × 32.
    SetWindowPos(image->Handle, nullptr, image->Bounds.Left, image->Bounds.Top, image->Bounds.Width,
                 image->Bounds.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    form->AddImage(std::move(image));
  }

  SetWindowPos(form->Handle(), nullptr, layout.Left, layout.Top, layout.Width, layout.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  label.Bounds = layout.LabelBounds;
  SetWindowPos(label.Handle, nullptr, label.Bounds.Left, label.Bounds.Top, label.Bounds.Width,
               label.Bounds.Height, SWP_NOZORDER | SWP_NOACTIVATE);

  form->SetButtonFont(settings.ButtonFont);
  bool first = true;
  for (const TButtonLayout& placed : layout.Buttons) {
    auto button = std::make_unique<TButton>();
    button->Name = placed.Name;
    button->Id = placed.Index < kDialogButtonCount
                     ? ButtonControlId(static_cast<TDialogButton>(placed.Index))
                     : kLogButtonControlId;
    button->ModalResult = placed.ModalResult;
    button->Default = placed.Default;
    button->Cancel = placed.Cancel;
    DWORD style = WS_TABSTOP | BS_NOTIFY | (placed.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (first) style |= WS_GROUP;
    first = false;
    button->Handle = form->CreateControl("BUTTON", placed.Caption, style, placed.Bounds, button->Id,
                                         button->Name);
    TButton& added = form->AddButton(std::move(button));
    if (added.Default && Seconds > 0) {
      form->SetCountdownButton(&added);
      form->TimeoutResult = added.ModalResult;
    }
  }
  return form;
}

int32_t TimedMessageDlg(const std::string& Msg, TDialogType DlgType, TDialogButtons Buttons,
                        const std::string& LogFile, int32_t Reserved, int32_t Seconds,
                        TColor Color) {
  (void)Reserved;
  std::unique_ptr<TfrmTimerForm> form =
      CreateTimedMessageForm(Msg, DlgType, Buttons, LogFile, Seconds);
  form->SetColor(Color);
  const TModalResult result = form->ShowModal();
  if (result == mrYes && !LogFile.empty()) {
    // Whether the shell finds a program for the file is not the dialog's concern.
    ShellExecuteA(nullptr, "open", LogFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  form.reset();
  return result;
}

void ShowExceptionDlg(const std::string& Msg, const std::string& Reason, const std::string& Origin,
                      const std::string& LogFile, int32_t Reserved) {
  TimedMessageDlg(ExceptionReportText(Msg, Reason, Origin), dtError, ButtonSet({btOK}), LogFile,
                  Reserved, 0, clBtnFace);
}

}  // namespace zmt
