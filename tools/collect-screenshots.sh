#!/usr/bin/env bash
# Copies the screenshots of a Wine test run and of the main job into docs/screenshots, each
# cut to the window it shows (the X server's background is black).
# Usage: tools/collect-screenshots.sh ARTIFACTS_DIR [MAIN_JOB_ARTIFACTS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
artifacts=$1
main_job=${2:-$artifacts/main_job}
out=docs/screenshots
mkdir -p "$out"

pick() {  # pick TARGET SOURCE_GLOB: the first match of the glob
    local target=$1 pattern=$2 source
    source=$(compgen -G "$pattern" | head -n 1 || true)
    if [[ -z $source ]]; then
        echo "missing: $pattern" >&2
        return 1
    fi
    convert "$source" -trim +repage -strip "$out/$target"
    echo "$out/$target <- ${source#"$artifacts"/}"
}

pick selection.png "$main_job/01_selection.png"
pick box_success.png "$main_job/02_box.png"
pick box_port.png "$main_job/03_box.png"
pick offer.png "$main_job/04_offer.png"
pick box_question.png "$artifacts/test_manual_install.TakenQueueNameTest.test_yes*/box_question.png"
pick box_no_serial_port.png "$artifacts/test_manual_ports.EmptySerialMapTest.*/box_empty_map.png"
pick box_error.png "$artifacts/test_usb_install.UsbInstallTest.test_mute*/box_error.png"
pick help_animation.png "$artifacts/test_usb_help.UsbHelpTest.test_no_cutter*/animation_page.png"
pick help_instructions.png "$artifacts/test_usb_help.UsbHelpTest.test_plain*/instruction_page.png"
pick about.png "$artifacts/test_manual_about.AboutBoxTest.test_system_command_0x0010*/about_0x0010.png"
pick box_install_usb.png "$artifacts/test_port_monitor.PortMonitorTest.test_install_on_a_clean*/box_1002.png"
pick box_uninstall_usb.png "$artifacts/test_port_monitor.PortMonitorTest.test_uninstall_removes*/box_1003.png"
