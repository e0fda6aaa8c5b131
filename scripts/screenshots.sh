#!/usr/bin/env bash
# Renders the README's pictures of the main window offscreen into docs/.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Form]\r\nTop=0\r\nLeft=0\r\nHeight=600\r\nWidth=1100\r\n' > "$work/Vilk.ini"
"$bin/make_demo" "$work/station.cfg"
shot() {
  QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/$1" \
    --select "$2" "$work/station.cfg"
}
shot window-controller.png "ВИЛК.A1-X"
shot window-processor.png "Процессор"
shot window-com-board.png "COM_0.1 RS485"
shot window-ip-port.png "0_Порт_IP"
shot window-ts-list.png "0_Плата Узел сигнализации/ТС"
shot window-pc-selection.png "1_Порт ПЭВМ/ТС"
shot window-ti-list.png "40_RTU/ТИ"
shot window-snmp-device.png "40_RTU"
shot window-pc.png "1_Порт ПЭВМ"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-pc-addresses.png" \
  --select "1_Порт ПЭВМ" --tab 1 "$work/station.cfg"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/mib-dialog.png" \
  --mib "$top/tests/data/mibs/IF-MIB"
for d in link login; do
  QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/dialog-$d.png" --dialog $d
done
