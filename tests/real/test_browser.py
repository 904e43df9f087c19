"""The phone page in a real headless Chromium, phone-sized with touch, opened as a phone
would: under the computer's .local name (mapped to loopback), in a non-secure context."""
import os
import pathlib
import re
import shutil
import socket
import subprocess
import time

from tarsel_harness import CTL, Agent, require, wait_until

SHOTS = pathlib.Path(os.environ.get("TARSEL_SCREENSHOTS", "/tmp/tarsel-screens"))


def phone_browser(host, lang="en-US", performance_log=False):
    """Chromium as a 390×844 touch phone in `lang`; every name but `host` fails to resolve.
    With `performance_log` the Network domain's events are kept (for the page bench)."""
    from selenium import webdriver
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-pings", "--disable-dev-shm-usage",
                 f"--host-resolver-rules=MAP {host} 127.0.0.1, MAP * ~NOTFOUND", f"--lang={lang}"):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"intl.accept_languages": lang})
    if performance_log:
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": 390, "height": 844, "pixelRatio": 3, "touch": True},
        "userAgent": "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like "
                     "Gecko) Chrome/126.0 Mobile Safari/537.36"})
    from selenium.webdriver.chrome.service import Service
    return webdriver.Chrome(options=options, service=Service("/usr/bin/chromedriver"))


def touch(driver, kind, points):
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
        "type": kind, "touchPoints": [{"x": x, "y": y} for x, y in points]})


def test_a_phone_browser_pairs_from_the_qr_code_and_types():
    require(shutil.which("chromium") and shutil.which("chromedriver"),
            "chromium and chromium-driver (apt-get install chromium chromium-driver)")
    try:
        import selenium  # noqa: F401
    except ImportError:
        require(False, "python3-selenium")
    agent = Agent()
    agent.wait_for("🌐 [Web] 휴대폰 브라우저 페이지")
    pairing = subprocess.run([str(CTL), "pair"], capture_output=True, text=True, env=agent.env,
                             timeout=10).stdout
    token = re.search(r"#pair=([A-Za-z0-9_-]+)", pairing).group(1)
    host = f"{socket.gethostname()}.local"
    driver = phone_browser(host)
    try:
        start = time.monotonic()
        driver.get(f"http://{host}:3090/#pair={token}")
        state = driver.find_element("id", "state")
        assert wait_until(lambda: state.text == "Connected", 10), state.text
        assert driver.execute_script("return window.isSecureContext") is False
        assert "#pair" not in driver.current_url, "the token stays out of the address bar"
        driver.find_element("id", "text").click()
        driver.execute_cdp_cmd("Input.insertText", {"text": "안녕하세요"})  # typed, no Send
        agent.wait_effects("clipboard", 1)
        elapsed = time.monotonic() - start
        print(f"\nQR code URL to the Korean text's record line: {elapsed * 1000:.0f} ms")
        assert agent.effects("clipboard")[0]["text"] == "안녕하세요"
        SHOTS.mkdir(parents=True, exist_ok=True)
        driver.save_screenshot(str(SHOTS / "phone-page.png"))
    finally:
        driver.quit()
    stored = subprocess.run([str(CTL), "web", "list"], capture_output=True, text=True,
                            env=agent.env, timeout=10).stdout
    assert "Chrome on Android" in stored


def test_a_phone_browser_without_a_camera_pairs_by_comparing_the_code():
    require(shutil.which("chromium") and shutil.which("chromedriver"),
            "chromium and chromium-driver (apt-get install chromium chromium-driver)")
    agent = Agent()
    agent.wait_for("🌐 [Web] 휴대폰 브라우저 페이지")
    host = f"{socket.gethostname()}.local"
    driver = phone_browser(host, "ko-KR")  # and in Korean, as the phone's language says
    try:
        driver.get(f"http://{host}:3090/")  # typed in: no token
        button = driver.find_element("id", "pair-button")
        assert wait_until(button.is_displayed, 10), driver.find_element("id", "state").text
        assert button.text == "이 브라우저 페어링"
        SHOTS.mkdir(parents=True, exist_ok=True)
        driver.save_screenshot(str(SHOTS / "pairing-ko.png"))
        button.click()
        code = driver.find_element("id", "code")
        assert wait_until(lambda: re.fullmatch(r"\d{3} \d{3}", code.text), 10), code.text
        shown = subprocess.run([str(CTL), "pair"],
                               capture_output=True, text=True, env=agent.env, timeout=10).stdout
        assert f"code {code.text.replace(' ', '')}" in shown, shown
        approved = subprocess.run([str(CTL), "pair", "--approve", code.text], capture_output=True,
                                  text=True, env=agent.env, timeout=10)
        assert approved.stdout.strip() == "approved", approved
        state = driver.find_element("id", "state")
        assert wait_until(lambda: state.text == "연결됨", 10), state.text
        driver.save_screenshot(str(SHOTS / "remote-ko.png"))
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {  # a tablet, dark
            "width": 768, "height": 1024, "deviceScaleFactor": 2, "mobile": True})
        driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": "dark"}]})
        driver.save_screenshot(str(SHOTS / "remote-ko-tablet-dark.png"))
        driver.find_element("id", "right").click()
        rights = lambda: [m["type"] for m in agent.effects("mouse") if m["type"] in (3, 4)]
        assert wait_until(lambda: rights() == [3, 4], 5), agent.effects("mouse")
    finally:
        driver.quit()
