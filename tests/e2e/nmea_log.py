"""NMEA 0183 sentences for the tests, with their checksums computed here: the
exclusive or of the bytes between "$" and "*", as two upper-case hex digits."""


def sentence(body):
    """"$body*hh" with the checksum of body."""
    sum_ = 0
    for c in body.encode("latin-1"):
        sum_ ^= c
    return "$%s*%02X" % (body, sum_)


def ddmm(degrees, width, decimals):
    """Degrees (>= 0) as NMEA degrees and minutes, dd(d)mm.mmmm."""
    whole = int(degrees)
    minutes = round((degrees - whole) * 60, decimals)
    if minutes >= 60:
        whole, minutes = whole + 1, 0.0
    return "%0*d%0*.*f" % (width, whole, decimals + 3, decimals, minutes)


def hhmmss(seconds):
    """Seconds of the day as hhmmss.ss."""
    seconds %= 86400
    return "%02d%02d%05.2f" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def tag(seconds):
    """Seconds of the day as a logger's tag hh:mm:ss.fff and a blank."""
    seconds %= 86400
    return "%02d:%02d:%06.3f " % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def gga(seconds, lat, lon, quality=1):
    return sentence("GPGGA,%s,%s,%s,%s,%s,%d,08,0.9,5.4,M,36.9,M,," % (
        hhmmss(seconds), ddmm(abs(lat), 2, 4), "NS"[lat < 0], ddmm(abs(lon), 3, 4), "EW"[lon < 0], quality))


def rmc(seconds, lat, lon, date="150310", status="A"):
    return sentence("GPRMC,%s,%s,%s,%s,%s,%s,3.2,45.0,%s,," % (
        hhmmss(seconds), status, ddmm(abs(lat), 2, 4), "NS"[lat < 0], ddmm(abs(lon), 3, 4), "EW"[lon < 0],
        date))


def stamp(time):
    """The stamp of Temp/Raw_Pos.txt for a fix whose own time is "h m s"
    (a second's decimals as given): a second later, for join counts a fix a
    second before its stamp."""
    h, m, sec = time.split()
    decimals = len(sec.partition(".")[2])
    units = round(((int(h) * 60 + int(m)) * 60 + float(sec) + 1) * 10 ** decimals) % (86400 * 10 ** decimals)
    whole, part = divmod(units, 10 ** decimals)
    text = "%d %d %d" % (whole // 3600, whole // 60 % 60, whole % 60)
    return text + (".%0*d" % (decimals, part) if decimals else "")


def dbt(metres):
    return sentence("SDDBT,%.1f,f,%.2f,M,%.1f,F" % (metres / 0.3048, metres, metres / 1.8288))
