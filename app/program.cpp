#include "app/program.h"

#include <iostream>
#include <optional>

#include <QApplication>
#include <QDir>

#include "app/app_strings.h"
#include "app/catch_up.h"
#include "app/command_line.h"
#include "app/handover_inbox.h"
#include "app/main_window.h"
#include "app/services.h"
#include "app/single_instance.h"
#include "app/splash.h"
#include "app/welcome_dialog.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/runner/exit_status.h"
#include "job/system_option.h"
#include "taskplan/dialogs/gui_task_dialogs.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

// The later start: its command line goes to the owner of the data.
int hand_over(const bk::String& line, bool interactive) {
    const auto answer = hand_over_to_owner(line);
    if (!answer) return brim::exit_status::store_busy;  // the owner was still starting, or ending
    if (answer->status != 0 && interactive) {
        // The owner is not this program (brimvault-cli running a job).
        const bk::String text = app_strings().format(app_text::held_elsewhere, {bk::from_ansi(answer->text)});
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
    } else if (answer->status != 0) {
        std::cerr << "brimvault: " << answer->text << '\n';
    }
    return answer->status;
}

StoreDamageQuestions damage_questions(std::optional<Splash>& splash) {
    StoreDamageQuestions questions;
    questions.load_copy = [&splash](std::int64_t copy_time) {
        splash.reset();
        const bk::String text = app_strings().format(app_text::store_damaged_load_copy,
                                                     {bk::Date(copy_time).to_string()});
        return BrimMessageBox(text.c_str(), u"", mb::ok_cancel | mb::icon_error) == button_id::ok;
    };
    questions.will_repair = [&splash] {
        splash.reset();
        BrimMessageBox(app_strings().text(app_text::store_damaged_repair).c_str(), u"", mb::ok | mb::icon_error);
    };
    return questions;
}

void show_welcome(CMainFrame& window) {
    auto* options = job::CSystemOption::GetInstance();
    if (options->GetNeverShowValue(job::never_show::welcome_dialog) == 0) return;
    WelcomeDialog welcome(&window);
    welcome.exec();
    // A request to end closed the page: the program ends, choosing nothing.
    if (window.end_requested()) return;
    if (!welcome.show_again()) options->SetNeverShowValue(job::never_show::welcome_dialog, 0);
    if (welcome.choice()) window.follow_welcome_choice(*welcome.choice());
}

// The hand-over channel; without it later starts find nobody to hand to,
// which costs them their command line but not this program its start.
std::unique_ptr<HandoverInbox> open_inbox(HandoverInbox::Taker taker) {
    try {
        return std::make_unique<HandoverInbox>(brim::handover_path(), std::move(taker));
    } catch (const bk::Exception& failure) {
        std::cerr << "brimvault: later starts cannot hand over: " << bk::to_ansi(failure.message()) << '\n';
        return nullptr;
    }
}

}  // namespace

int run_program(const bk::String& line) {
    const CommandLine command = parse_command_line(line);
    const bool scheduled = command.form == CommandLine::Form::scheduled_backup;
    const auto lock = take_ownership();
    if (!lock) return hand_over(line, !scheduled);

    job::CSystemOption::GetInstance()->ApplyUiLanguage();
    std::optional<Splash> splash;
    if (!scheduled) splash.emplace();
    // Later starts wait until the main window exists.
    CMainFrame* main_window = nullptr;
    const auto inbox = open_inbox([&main_window](const bk::String& handed) {
        return main_window->take_command_line(handed);
    });
    start_services();
    taskplan::InstallTaskDialogs();
    load_job_store(scheduled ? StoreDamageQuestions{} : damage_questions(splash));

    CMainFrame window([&splash] { splash.reset(); });
    main_window = &window;
    if (inbox) inbox->open();
    if (scheduled && job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::run_hidden) == 0) {
        window.show_in_tray();
    } else {
        window.showMaximized();
    }
    if (splash) splash->hold();
    if (splash) splash->close(&window);

    if (scheduled) {
        window.set_scheduled_start(1);
        log_information(app_strings().text(app_text::started_by_schedule));
    } else {
        log_information(app_strings().text(app_text::started));
    }
    if (!line.empty()) window.take_command_line(line);
    if (!scheduled) {
        catch_up_schedule(window);
        show_welcome(window);
    }
    // A request to end that came during a start-up dialog ends the program
    // now that the dialog has returned; its event loop would wait for nothing.
    if (window.end_requested()) window.end_on_request();
    window.set_base_loop_level(1);
    const int status = window.ending() ? 0 : QApplication::exec();
    // Lines that arrive from now on find no window to take them.
    if (inbox) inbox->close();
    return status;
}

}  // namespace app
