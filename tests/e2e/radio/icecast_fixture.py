#!/usr/bin/env python3
"""A real icecast2 server on 127.0.0.1 with a source on each of its mounts, for the radio tests.

Mounts (every source loops until the fixture stops):
  mp3     MP3 at 128 kb/s by ezstream, a two-tone file; named, so replies carry icy-name and
          icy-br:128; its title is set through the admin interface (MP3_FIRST_TITLE at start)
  ogg     Ogg Vorbis by ices2, two 5 s files made by ffmpeg ("encoder=" is their first comment)
          with ARTIST/TITLE "Band 1"/"Song 1" and "Band 2"/"Song 2"
  aac     AAC (ADTS) by ffmpeg's icecast output, encoded live
  tone    a 1 kHz tone at half scale, MP3 at 128 kb/s by ezstream
  silent  digital silence, MP3 at 128 kb/s by ezstream: a live source that is never heard

Works in a temporary folder on free ports; as root, icecast2 drops to the user "nobody".
Prints, once every mount is live, one line:
  ICECAST port=<port> mp3=/radio.mp3 ogg=/radio.ogg aac=/radio.aac tone=/tone.mp3 silent=/silent.mp3
and stops its own processes when its standard input closes or it is told to terminate.
The admin user is ADMIN_USER with ADMIN_PASSWORD.
"""
import base64
import ctypes
import grp
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

ADMIN_USER = "admin"
ADMIN_PASSWORD = "tavelo-admin"
SOURCE_PASSWORD = "tavelo-source"
MP3_STATION_NAME = "Tavelo Test Radio"
MP3_FIRST_TITLE = "Test Artist - First Song"
MOUNTS = {
    "mp3": "/radio.mp3",
    "ogg": "/radio.ogg",
    "aac": "/radio.aac",
    "tone": "/tone.mp3",
    "silent": "/silent.mp3",
}
OGG_SONGS = [("Band 1", "Song 1", 550), ("Band 2", "Song 2", 770)]
STARTUP_SECONDS = 30
STOP_SECONDS = 3
PR_SET_PDEATHSIG = 1


class FixtureError(Exception):
    pass


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def die_with_parent():
    """Runs in each child before exec: a fixture killed outright takes its sources along."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def write_private(path, text):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w", encoding="utf-8") as out:
        out.write(text)


def ffmpeg_make(target, source_filter, codec_args, metadata=()):
    command = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source_filter,
               "-ac", "2", "-ar", "44100"] + list(codec_args)
    for key, value in metadata:
        command += ["-metadata", "%s=%s" % (key, value)]
    result = subprocess.run(command + [target], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        raise FixtureError("ffmpeg could not make %s: %s" % (os.path.basename(target), result.stderr.strip()))


# Plain CBR frames with no tag and no Info frame: the file loops seamlessly as a stream.
MP3_CODEC = ["-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0", "-id3v2_version", "0",
             "-write_id3v1", "0", "-f", "mp3"]


def tones(amplitude, frequencies, seconds=None):
    """A stereo lavfi source of sines of the given amplitude each (endless without seconds)."""
    expression = "+".join("%g*sin(2*PI*%d*t)" % (amplitude, hz) for hz in frequencies)
    return "aevalsrc=%s|%s:c=stereo:s=44100" % (expression, expression) + (":d=%d" % seconds if seconds else "")


def make_media(folder):
    media = {
        "mp3": os.path.join(folder, "radio.mp3"),
        "tone": os.path.join(folder, "tone.mp3"),
        "silent": os.path.join(folder, "silent.mp3"),
        "ogg": [os.path.join(folder, "song%d.ogg" % (i + 1)) for i in range(len(OGG_SONGS))],
    }
    ffmpeg_make(media["mp3"], tones(0.3, (440, 660), 20), MP3_CODEC)
    # 1 kHz fits 44.1 kHz in whole cycles every 441 samples, so the loop joins without a click.
    ffmpeg_make(media["tone"], tones(0.5, (1000,), 30), MP3_CODEC)
    ffmpeg_make(media["silent"], "anullsrc=sample_rate=44100:channel_layout=stereo:duration=30", MP3_CODEC)
    for path, (artist, title, frequency) in zip(media["ogg"], OGG_SONGS):
        ffmpeg_make(path, tones(0.5, (frequency,), 5), ["-c:a", "libvorbis", "-q:a", "3"],
                    [("ARTIST", artist), ("TITLE", title)])
    return media


def icecast_owner():
    """icecast2 refuses to run as root without a user to change to; anyone else runs as-is."""
    if os.geteuid() != 0:
        return "", None
    user = pwd.getpwnam("nobody")
    group = grp.getgrgid(user.pw_gid).gr_name
    return "<changeowner><user>nobody</user><group>%s</group></changeowner>" % group, user


def icecast_config(port, log_dir, owner):
    return """<icecast>
  <location>Tavelo tests</location>
  <admin>tests@localhost</admin>
  <hostname>127.0.0.1</hostname>
  <limits>
    <clients>100</clients>
    <sources>%(sources)d</sources>
    <queue-size>524288</queue-size>
    <client-timeout>30</client-timeout>
    <header-timeout>15</header-timeout>
    <source-timeout>10</source-timeout>
    <burst-on-connect>1</burst-on-connect>
    <burst-size>65535</burst-size>
  </limits>
  <authentication>
    <source-password>%(source)s</source-password>
    <relay-password>%(source)s</relay-password>
    <admin-user>%(admin_user)s</admin-user>
    <admin-password>%(admin)s</admin-password>
  </authentication>
  <listen-socket>
    <port>%(port)d</port>
    <bind-address>127.0.0.1</bind-address>
  </listen-socket>
  <fileserve>1</fileserve>
  <paths>
    <basedir>/usr/share/icecast2</basedir>
    <logdir>%(logs)s</logdir>
    <webroot>/usr/share/icecast2/web</webroot>
    <adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging>
    <accesslog>access.log</accesslog>
    <errorlog>error.log</errorlog>
    <loglevel>3</loglevel>
  </logging>
  <security>
    <chroot>0</chroot>
    %(owner)s
  </security>
</icecast>
""" % {"sources": len(MOUNTS) + 2, "source": SOURCE_PASSWORD, "admin_user": ADMIN_USER,
       "admin": ADMIN_PASSWORD, "port": port, "logs": log_dir, "owner": owner}


def ezstream_config(port, mount, path, name):
    return """<ezstream>
  <servers><server>
    <protocol>HTTP</protocol>
    <hostname>127.0.0.1</hostname>
    <port>%(port)d</port>
    <password>%(source)s</password>
  </server></servers>
  <streams><stream>
    <mountpoint>%(mount)s</mountpoint>
    <format>MP3</format>
    <public>No</public>
    <stream_name>%(name)s</stream_name>
    <stream_genre>Test</stream_genre>
    <stream_description>A test station of the player</stream_description>
    <stream_bitrate>128</stream_bitrate>
    <stream_samplerate>44100</stream_samplerate>
    <stream_channels>2</stream_channels>
  </stream></streams>
  <intakes><intake>
    <type>file</type>
    <filename>%(path)s</filename>
    <stream_once>No</stream_once>
  </intake></intakes>
  <metadata><no_updates>Yes</no_updates></metadata>
</ezstream>
""" % {"port": port, "source": SOURCE_PASSWORD, "mount": mount, "path": path, "name": name}


def ices_config(port, mount, playlist, log_dir):
    return """<ices>
  <background>0</background>
  <logpath>%(logs)s</logpath>
  <logfile>ices.log</logfile>
  <loglevel>2</loglevel>
  <consolelog>0</consolelog>
  <stream>
    <metadata>
      <name>Tavelo Test Ogg</name>
      <genre>Test</genre>
      <description>Two short songs</description>
    </metadata>
    <input>
      <module>playlist</module>
      <param name="type">basic</param>
      <param name="file">%(playlist)s</param>
      <param name="random">0</param>
      <param name="once">0</param>
    </input>
    <instance>
      <hostname>127.0.0.1</hostname>
      <port>%(port)d</port>
      <password>%(source)s</password>
      <mount>%(mount)s</mount>
      <reconnectdelay>1</reconnectdelay>
      <reconnectattempts>5</reconnectattempts>
    </instance>
  </stream>
</ices>
""" % {"logs": log_dir, "playlist": playlist, "port": port, "source": SOURCE_PASSWORD, "mount": mount}


def aac_command(port, mount):
    return ["ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi",
            "-i", tones(0.5, (660,)), "-ac", "2",
            "-c:a", "aac", "-b:a", "128k", "-f", "adts", "-content_type", "audio/aac",
            "-ice_name", "Tavelo Test AAC", "-ice_public", "0",
            "icecast://source:%s@127.0.0.1:%d%s" % (SOURCE_PASSWORD, port, mount)]


class Fixture:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tavelo-icecast-")
        self.children = []
        self.port = free_port()
        self.sources_log = open(os.path.join(self.folder, "sources.log"), "a")

    def spawn(self, command):
        try:
            child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=self.sources_log,
                                     cwd=self.folder, preexec_fn=die_with_parent)
        except FileNotFoundError:
            raise FixtureError("%s is not installed (tools/install-deps.sh installs it)" % command[0])
        self.children.append(child)
        return child

    def start(self):
        media = make_media(self.folder)
        self.start_icecast()
        self.wait_until(self.listening, "icecast2 does not listen")
        for kind, name in (("mp3", MP3_STATION_NAME), ("tone", "Tavelo Test Tone"),
                           ("silent", "Tavelo Test Silence")):
            config = os.path.join(self.folder, "ezstream-%s.xml" % kind)
            write_private(config, ezstream_config(self.port, MOUNTS[kind], media[kind], name))
            self.spawn(["ezstream", "-c", config])
        playlist = os.path.join(self.folder, "ogg-playlist.txt")
        write_private(playlist, "\n".join(media["ogg"]) + "\n")
        ices = os.path.join(self.folder, "ices.xml")
        write_private(ices, ices_config(self.port, MOUNTS["ogg"], playlist, self.folder))
        self.spawn(["ices2", ices])
        self.spawn(aac_command(self.port, MOUNTS["aac"]))
        self.wait_until(self.all_mounts_live, "not every mount went live")
        self.set_title(MP3_FIRST_TITLE)

    def start_icecast(self):
        log_dir = os.path.join(self.folder, "icecast-log")
        os.mkdir(log_dir)
        owner, user = icecast_owner()
        if user:
            os.chmod(self.folder, 0o711)  # the changed owner reaches its log folder through it
            os.chown(log_dir, user.pw_uid, user.pw_gid)
        config = os.path.join(self.folder, "icecast.xml")
        write_private(config, icecast_config(self.port, log_dir, owner))
        self.spawn(["icecast2", "-c", config])

    def wait_until(self, ready, failure):
        deadline = time.monotonic() + STARTUP_SECONDS
        while not ready():
            if time.monotonic() > deadline or any(child.poll() is not None for child in self.children):
                raise FixtureError("%s; logs: %s" % (failure, self.log_tail()))
            time.sleep(0.1)

    def listening(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
            return True
        except OSError:
            return False

    def admin(self, path):
        request = urllib.request.Request("http://127.0.0.1:%d%s" % (self.port, path))
        token = base64.b64encode(("%s:%s" % (ADMIN_USER, ADMIN_PASSWORD)).encode()).decode()
        request.add_header("Authorization", "Basic " + token)
        with urllib.request.urlopen(request, timeout=5) as reply:
            return reply.read().decode("utf-8", "replace")

    def all_mounts_live(self):
        try:
            listing = self.admin("/admin/listmounts")
        except (urllib.error.URLError, OSError):
            return False
        return all('mount="%s"' % mount in listing for mount in MOUNTS.values())

    def set_title(self, title):
        query = urllib.parse.urlencode({"mode": "updinfo", "mount": MOUNTS["mp3"], "song": title})
        self.admin("/admin/metadata?" + query)

    def log_tail(self):
        tails = []
        for name in ("sources.log", "icecast-log/error.log", "ices.log"):
            try:
                with open(os.path.join(self.folder, name), encoding="utf-8", errors="replace") as log:
                    tails.append("%s: %s" % (name, log.read()[-1500:].strip()))
            except OSError:
                pass
        return "\n".join(tails)

    def stop(self):
        # sources first, so none of them sees its server go and tries again
        for child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
        deadline = time.monotonic() + STOP_SECONDS
        for child in self.children:
            try:
                child.wait(max(0.0, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        self.sources_log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def main():
    fixture = Fixture()
    stop_requested = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop_requested.set())
    signal.signal(signal.SIGINT, lambda *_: stop_requested.set())
    try:
        fixture.start()
        print("ICECAST port=%d %s" % (fixture.port, " ".join("%s=%s" % item for item in MOUNTS.items())),
              flush=True)
        threading.Thread(target=lambda: (sys.stdin.read(), stop_requested.set()), daemon=True).start()
        while not stop_requested.wait(1):
            pass
    except FixtureError as error:
        print("icecast fixture: %s" % error, file=sys.stderr)
        return 1
    finally:
        fixture.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
