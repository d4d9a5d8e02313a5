#!/usr/bin/env python3
"""A local stand-in for the weather site, for tests and manual runs.

Serves pages shaped like today's site: the prefecture list, station lists (the script that
defines viewPoint in the head, two areas per station, a station split by another, the
"all stations" area, a link to a neighbouring prefecture), daily pages of observatories
(daily_s1, 5-digit block numbers) and AMeDAS stations (daily_a1, 4-digit block numbers), the
error page for a wrong block length, 301 from the old /obd/ paths, plus /missing (404),
/sjis (a page declaring Shift_JIS), /stall (never answers) and /close (closes mid-response).

  weather_server.py [--port N] [--log FILE] [--tls CERT KEY] [--no-charset-header]
                    [--daily ok|stall|drop] [--from YYYY-MM]

Prints "PORT <n>" on its first line once it listens. Each request is logged as one line
"<path>" to --log. Values of day d: low 10 + d/10, high 20 + d/10, sunshine d % 10 (shown as
"--" when 0); weather 晴後曇 on odd days, 曇一時雨 on even days. In June 2023 the low of day
13 is "×" and the high of day 2 is "20.2 )". July 2023 holds the site's marks and a hostile
cell: the weather of day 1 is "x<LF>[Growth]<LF>DataHeight=999", the low of day 2 "12.3 ]",
the high of day 3 "///", the sunshine of day 4 "#", the low of day 5 empty, the weather of day
6 "×".

--daily (or /control?daily=MODE&from=YYYY-MM while running) makes the daily pages of the month
--from and later (all months without it) never answer (stall) or close the connection without
a byte (drop); ok serves them again.
"""
import argparse
import calendar
import http.server
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

ERROR_PAGE = "<html><head><title>気象庁｜過去の気象データ検索</title></head><body><p>ページを表示することが出来ませんでした。</p></body></html>"

PREFECTURES = [("宗谷地方", 11), ("石狩地方", 14), ("青森県", 31), ("東京都", 44), ("大阪府", 62), ("南極", 99)]

# (kind, block, name) per prefecture; areas are emitted twice, one split by another station.
STATIONS = {
    44: [("s", "47662", "東京"), ("a", "0363", "練馬"), ("a", "1133", "府中"), ("s", "47675", "大島")],
    14: [("s", "47412", "札幌"), ("a", "0012", "石狩")],
}


def view_point(kind, block, name):
    return ("javascript:viewPoint('%s','%s','%s','カナ','35','41.5','139','45.0','25.2','1','1','1','1','1','1',"
            "'9999','99','99','','','','','');" % (kind, block, name))


def prefecture_page():
    areas = "".join(
        '<area shape="rect" alt="%s" coords="0,0,1,1" href="prefecture.php?prec_no=%d&block_no=&year=&month=&day=&view=">\n'
        % (n, c) for n, c in PREFECTURES)
    return ('<html><head><meta charset="UTF-8"><title>気象庁｜過去の気象データ検索</title></head><body>\n'
            '<map name="point">\n%s</map></body></html>' % areas)


def station_page(prec):
    stations = STATIONS.get(prec, [])
    head = ('<html><head><meta charset="UTF-8"><script type="text/javascript">\n'
            "function viewPoint(kind,block,name,kana){ /* shows the point */ }\n</script></head><body>\n")
    areas = ['<area shape="rect" alt="全地点" coords="0,0,1,1" href="../index.php?prec_no=%d&block_no=00&year=&month=&day=&view=">' % prec]
    for i, (kind, block, name) in enumerate(stations):
        area = ('<area shape="rect" alt="%s" coords="0,0,1,1" href="../index.php?prec_no=%d&block_no=%s&year=&month=&day=&view=" '
                'onmouseover="%s" onmouseout="javascript:initPoint();">' % (name, prec, block, view_point(kind, block, name)))
        areas.append(area)
        if i != 0:
            areas.append(area)  # marker and label side by side
    if stations:
        kind, block, name = stations[0]
        areas.append('<area shape="rect" alt="%s" coords="0,0,1,1" href="../index.php?prec_no=%d&block_no=%s" onmouseover="%s">'
                     % (name, prec, block, view_point(kind, block, name)))  # the first station's label, further down
    areas.append('<area shape="rect" alt="神奈川県" coords="0,0,1,1" href="prefecture.php?prec_no=46&block_no=&year=&month=&day=&view=">')
    return head + '<map name="point">\n' + "\n".join(areas) + "\n</map></body></html>"


def day_values(year, month, d):
    low = "%.1f" % (10 + d / 10)
    high = "%.1f" % (20 + d / 10)
    sun = d % 10
    sun_text = "--" if sun == 0 else "%.1f" % sun
    weather = "晴後曇" if d % 2 else "曇一時雨"
    if (year, month) == (2023, 6):
        if d == 13:
            low = "×"
        if d == 2:
            high = high + " )"
    if (year, month) == (2023, 7):
        if d == 1:
            weather = "x\n[Growth]\nDataHeight=999"
        if d == 2:
            low = "12.3 ]"
        if d == 3:
            high = "///"
        if d == 4:
            sun_text = "#"
        if d == 5:
            low = ""
        if d == 6:
            weather = "×"
    return low, high, sun_text, weather


def daily_page(kind, prec, block, year, month):
    days = calendar.monthrange(year, month)[1]
    header_rows = 4 if kind == "s" else 3
    rows = ['<tr class="mtx"><th rowspan="2">日</th><th colspan="4">気圧(hPa)</th></tr>'] * header_rows
    cells = 21 if kind == "s" else 18
    for d in range(1, days + 1):
        low, high, sun, weather = day_values(year, month, d)
        values = ["1.0"] * (cells - 1)
        if kind == "s":
            values[8 - 2] = high
            values[9 - 2] = low
            values[17 - 2] = sun
            values[20 - 2] = weather
            values[21 - 2] = "晴"
        else:
            values[6 - 2] = high
            values[7 - 2] = low
            values[16 - 2] = sun
        tds = "".join(('<td class="data_0_0" style="text-align:left">%s</td>' if i >= 18 else '<td class="data_0_0">%s</td>') % v
                      for i, v in enumerate(values))
        rows.append('<tr class="mtx" style="text-align:right;"><td style="white-space:nowrap"><div class="a_print">'
                    '<a href="hourly_%s1.php?prec_no=%02d&block_no=%s&year=%d&month=%d&day=%d&view=p1">%d</a></div></td>%s</tr>'
                    % (kind, prec, block, year, month, d, d, tds))
    return ('<html><head><meta charset="UTF-8"><title>気象庁｜過去の気象データ検索</title></head><body>\n'
            '<h3>東京（東京都)　%d年%d月（日ごとの値）　主な要素</h3>\n<table id="tablefix1" class="data2_s">\n%s\n</table>\n'
            '<p>凡例</p></body></html>' % (year, month, "\n".join(rows)))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_page(self, status, text, charset="UTF-8", extra=None):
        body = text.encode("utf-8" if charset == "UTF-8" else "cp932")
        self.send_response(status)
        ctype = "text/html" if self.server.no_charset_header else "text/html; charset=%s" % charset
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.server.log:
            with self.server.log_lock, open(self.server.log, "a") as f:
                f.write(self.path + "\n")
        url = urllib.parse.urlsplit(self.path)
        q = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        path = url.path
        if path.startswith("/obd/"):
            self.send_response(301)
            self.send_header("Location", self.path[4:])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if path == "/stall":
            time.sleep(3600)
            return
        if path == "/close":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n<html><body>partial")
            self.wfile.flush()
            self.close_connection = True
            return
        if path == "/control":
            self.server.daily = q.get("daily", "ok")
            self.server.daily_from = q.get("from", "")
            self.send_page(200, "<html><body>%s</body></html>" % self.server.daily)
            return
        if path == "/sjis":
            self.send_page(200, "<html><body><map name=\"point\"><area shape=\"rect\" alt=\"東京都\" href=\"x?prec_no=44&\"></map></body></html>",
                           charset="Shift_JIS")
            return
        if path == "/stats/etrn/select/prefecture00.php":
            self.send_page(200, prefecture_page())
            return
        if path == "/stats/etrn/select/prefecture.php":
            self.send_page(200, station_page(int(q.get("prec_no") or 0)))
            return
        for kind in ("s", "a"):
            if path == "/stats/etrn/view/daily_%s1.php" % kind:
                try:
                    prec, block = int(q["prec_no"]), q["block_no"]
                    year, month = int(q["year"]), int(q["month"])
                except (KeyError, ValueError):
                    self.send_page(200, ERROR_PAGE)
                    return
                known = any(b == block and k == kind for k, b, _ in STATIONS.get(prec, []))
                if not known or len(block) != (5 if kind == "s" else 4) or not 1 <= month <= 12:
                    self.send_page(200, ERROR_PAGE)
                    return
                if self.server.daily != "ok" and "%04d-%02d" % (year, month) >= self.server.daily_from:
                    if self.server.daily == "stall":
                        time.sleep(3600)
                    self.close_connection = True  # drop: not a byte of an answer
                    return
                self.send_page(200, daily_page(kind, prec, block, year, month))
                return
        self.send_page(404, "<html><body>Not Found</body></html>")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--log")
    ap.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    ap.add_argument("--no-charset-header", action="store_true")
    ap.add_argument("--daily", choices=("ok", "stall", "drop"), default="ok")
    ap.add_argument("--from", dest="daily_from", default="")
    a = ap.parse_args()
    srv = Server(("127.0.0.1", a.port), Handler)
    srv.log = a.log
    srv.log_lock = threading.Lock()
    srv.no_charset_header = a.no_charset_header
    srv.daily = a.daily
    srv.daily_from = a.daily_from
    if a.tls:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(a.tls[0], a.tls[1])
        srv.socket = ctx.wrap_socket(srv.socket, server_side=True)
    print("PORT %d" % srv.server_address[1], flush=True)
    try:
        srv.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
