#!/usr/bin/env bash
# Renders the README's pictures of the main window offscreen into docs/.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Form]\r\nTop=0\r\nLeft=0\r\nHeight=600\r\nWidth=1100\r\n' > "$work/Vilk.ini"
"$bin/make_demo" "$work/station.cfg"
# A Modbus template library of two device types (INI text in code page 1251).
mkdir -p "$work/MODBUS"
printf '%s\r\n' '[Устройства]' 'Meter=' '[Таблица ТС]' '1_Адрес=$0000' '1_Количество=6' \
  '1_Функция=2' '[Таблица ТУ]' '1_Адрес=$0010' '1_Количество=2' '1_Функция=5' '[Таблица ТИ]' \
  '1_Тип=2' '1_Адрес=$0100' '1_Количество=12' '1_Функция=4' '2_Тип=5' '2_Адрес=$0120' \
  '2_Количество=2' '2_Функция=3' '[Дата Время]' '1_Адрес=$0200' '1_Строка=ГГ ММ ДД чч мм сс' \
  '[Список ТС]' '$0000=Авария' '$0001=Питание' '$0002=Дверь' '$0003=Реле 1' '$0004=Реле 2' \
  '$0005=Связь' '[Список ТУ]' '$0010=Включить' '$0011=Отключить' '[Список ТИ]' '$0100=Ua' \
  '$0102=Ub' '$0104=Uc' '$0106=Ia' '$0108=Ib' '$010a=Ic' '$0120=Частота' '$0121=Температура' |
  iconv -f UTF-8 -t CP1251 > "$work/MODBUS/Meter.ini"
printf '%s\r\n' '[Устройства]' 'Relay=' '[Таблица ТУ]' '1_Адрес=$0000' '1_Количество=4' \
  '1_Функция=5' | iconv -f UTF-8 -t CP1251 > "$work/MODBUS/Relay.ini"
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
shot window-meter.png "12_CE303"
shot window-module.png "2_DED-12"
shot window-pairing-port.png "11_Порт ТС-2"
shot window-kp-station.png "1_КП"
shot window-rtu104-device.png "21_RTU104"
shot window-ladder.png "13_Порт дискретной логики"
# The program in simulation mode (Пожар on: the alarm latches and the signalling follows),
# and the program printed for the commissioning file.
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-ladder-simulation.png" \
  --select "13_Порт дискретной логики" --simulate "Пожар=1,Q1 включен=1" \
  --pdf "$top/docs/ladder-program.pdf" "$work/station.cfg"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-pc-addresses.png" \
  --select "1_Порт ПЭВМ" --tab 1 "$work/station.cfg"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-pu.png" \
  --select "5_Порт ПУ" --tab 1 "$work/station.cfg"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-iec103-device.png" \
  --select "1_Sirius-2" --tab 2 "$work/station.cfg"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/mib-dialog.png" \
  --mib "$top/tests/data/mibs/IF-MIB"
for d in link login; do
  QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/dialog-$d.png" --dialog $d
done
modbus() {
  QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/$1" \
    --modbus "1=Meter,2=Meter,3=Meter,17=Relay" "${@:2}" "$work/station.cfg"
}
modbus window-modbus-device.png --select "1_Meter" --tab 2
modbus dialog-modbus-addresses.png --dialog modbus-addresses
# The search (Ctrl+F) over node captions and signal names, its first hit opened.
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-search.png" \
  --search "Q1" "$work/station.cfg"
# The check (F9) of the demonstration configuration, and its comparison with a copy in which
# one discrete input was renamed through the CSV import.
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-check.png" \
  --check --select "10_Порт DORO" "$work/station.cfg"
"$bin/src/cli/vilkcfg" csv-export "$work/station.cfg" "0_Плата Узел сигнализации/ТС" "$work/di.csv"
sed -i 's/Пожар/Пожар в ЗРУ/' "$work/di.csv"
"$bin/src/cli/vilkcfg" csv-import "$work/station.cfg" "0_Плата Узел сигнализации/ТС" "$work/di.csv" \
  "$work/other.cfg" > /dev/null
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-compare.png" \
  --compare "$work/other.cfg" --select "0_Плата Узел сигнализации/ТС" "$work/station.cfg"
# The CSV import preview: a spreadsheet's list for the PC's discrete inputs, one row wrong.
printf '\xEF\xBB\xBF№;Адрес;Вид;Имя параметра\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n' \
  '0;8192;ТС;Q1 включен' '1;8193;ТС;Дверь ЗРУ' '2;8194;ТС;Q1 отключен' '3;8195;ТС;Пожар в ЗРУ' \
  '9;8201;ТС;Связь с ЩУ' \
  > "$work/pc-ts.csv"
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/dialog-csv-import.png" \
  --select "1_Порт ПЭВМ/ТС" --csv "$work/pc-ts.csv" "$work/station.cfg"
# The exchange log of a configuration read from the stand-in controller, one answer lost.
mkdir -p "$work/ctl"
cp "$work/station.cfg" "$work/ctl/VilkA2.cfg"
"$bin/src/sim/vilk-sim" --dir "$work/ctl" --udp 127.0.0.1:0 --fault read:drop@3 > "$work/sim.out" &
sim=$!
for _ in $(seq 50); do grep -q ready "$work/sim.out" && break; sleep 0.1; done
port=$(sed -n 's/^udp .*:\([0-9]*\)$/\1/p' "$work/sim.out")
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/window-link-log.png" \
  --read-udp "$port" "$work/station.cfg"
kill "$sim"
# The first start without a settings file, on a 1366 x 768 screen: the window grows from its
# stored default (657 x 446) to fit the frames, the PC frame opens with nothing cut off.
fresh=$(mktemp -d)
cat > "$work/screen-1366.json" <<'JSON'
{"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
              "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}
JSON
QT_QPA_PLATFORM="offscreen:configfile=$work/screen-1366.json" "$bin/src/app/vilk" --home "$fresh" \
  --screenshot "$top/docs/window-first-start.png" --select "1_Порт ПЭВМ" "$work/station.cfg"
rm -rf "$fresh"
# The same window in a dark theme: names, greyed rows and marks from the palette.
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --palette dark \
  --screenshot "$top/docs/window-dark.png" --select "40_RTU/ТИ" "$work/station.cfg"
# The link dialog with the stand-in's pseudo-terminal listed as a serial port and checked.
mkdir -p "$work/ctl-pty"
"$bin/src/sim/vilk-sim" --dir "$work/ctl-pty" --pty > "$work/pty.out" &
ptysim=$!
for _ in $(seq 50); do grep -q ready "$work/pty.out" && break; sleep 0.1; done
pty=$(sed -n 's/^serial //p' "$work/pty.out")
QT_QPA_PLATFORM=offscreen "$bin/src/app/vilk" --home "$work" --screenshot "$top/docs/dialog-link-serial.png" \
  --dialog link --serial-port "$pty"
kill "$ptysim"
